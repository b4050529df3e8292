#pragma once
// One member call into an automation object by its fixed dispatch
// identifier (no names are looked up). A call that the server turns away
// as busy is made again while the busy budget lasts.

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "clients/outlook/outlook_waits.h"
#include "common/win/scoped_handles.h"

enum class MemberKind { Method, PropertyGet, PropertyPut };

// A Boolean argument (VT_BOOL), kept apart so that no pointer or number
// becomes one by conversion.
struct DispatchBool {
  bool value;
};

// Texts travel as BSTR, numbers as VT_I4, objects as VT_DISPATCH.
using DispatchArg = std::variant<std::u16string_view, int32_t, DispatchBool, IDispatch*>;

struct MemberCallResult {
  HRESULT status = S_OK;       // the server's own failure code when it raised an exception
  std::u16string description;  // the server's description of that exception, if any
  ScopedVariant value;         // the result; VT_EMPTY when there is none

  bool ok() const { return SUCCEEDED(status); }
};

// `args` in the order of the member's parameters. Never throws for a
// failed call: the result carries it. The context's watch hears of the call;
// once it has given the work up, no call is made (RPC_E_CALL_CANCELED).
MemberCallResult CallMember(IDispatch& target, DISPID member, MemberKind kind,
                            std::initializer_list<DispatchArg> args, OutlookCallContext& context);
// With limits of its own.
MemberCallResult CallMember(IDispatch& target, DISPID member, MemberKind kind,
                            std::initializer_list<DispatchArg> args);

// The statuses with which a busy server turns a call away.
bool IsBusyStatus(HRESULT status);

// The object a call returned, taken out of `value`; null when the call
// returned no object (nothing, a null reference or another type).
UniqueComRef<IDispatch> TakeObject(ScopedVariant& value);
