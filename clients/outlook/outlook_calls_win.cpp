#include "clients/outlook/outlook_calls_win.h"

#include <cstring>

#include "clients/outlook/outlook_failure_text.h"
#include "common/win/wide_text_win.h"

bool OutlookCalls::Call(IDispatch& target, DISPID member, MemberKind kind,
                        std::initializer_list<DispatchArg> args) {
  MemberCallResult result = Make(target, member, kind, args);
  return Check(result);
}

UniqueComRef<IDispatch> OutlookCalls::Object(IDispatch& target, DISPID member, MemberKind kind,
                                             std::initializer_list<DispatchArg> args) {
  MemberCallResult result = Make(target, member, kind, args);
  if (!Check(result)) return {};
  UniqueComRef<IDispatch> object = TakeObject(result.value);
  if (!object) failureText_ = OutlookCallFailureText({}, DISP_E_TYPEMISMATCH);
  return object;
}

UniqueComRef<IDispatch> OutlookCalls::ObjectOrMissing(IDispatch& target, DISPID member,
                                                      std::initializer_list<DispatchArg> args) {
  constexpr HRESULT kMapiNotFound = static_cast<HRESULT>(0x8004010F);
  constexpr HRESULT kMapiInvalidEntryId = static_cast<HRESULT>(0x80040107);
  MemberCallResult result = Make(target, member, MemberKind::Method, args);
  if (result.status == kMapiNotFound || result.status == kMapiInvalidEntryId) return {};
  if (!Check(result)) return {};
  UniqueComRef<IDispatch> object = TakeObject(result.value);
  if (!object) failureText_ = OutlookCallFailureText({}, DISP_E_TYPEMISMATCH);
  return object;
}

UniqueComRef<IDispatch> OutlookCalls::Found(IDispatch& target, DISPID member,
                                            std::initializer_list<DispatchArg> args) {
  MemberCallResult result = Make(target, member, MemberKind::Method, args);
  if (!Check(result)) return {};
  return TakeObject(result.value);
}

std::optional<int32_t> OutlookCalls::Number(IDispatch& target, DISPID member, MemberKind kind) {
  MemberCallResult result = Make(target, member, kind, {});
  if (!Check(result)) return std::nullopt;
  if (FAILED(VariantChangeType(result.value.get(), result.value.get(), 0, VT_I4))) {
    failureText_ = OutlookCallFailureText({}, DISP_E_TYPEMISMATCH);
    return std::nullopt;
  }
  return V_I4(result.value.get());
}

std::optional<std::u16string> OutlookCalls::Text(IDispatch& target, DISPID member) {
  MemberCallResult result = Make(target, member, MemberKind::PropertyGet, {});
  if (!Check(result)) return std::nullopt;
  VARIANT* value = result.value.get();
  if (V_VT(value) == VT_EMPTY || V_VT(value) == VT_NULL) return std::u16string();
  if (FAILED(VariantChangeType(value, value, 0, VT_BSTR))) {
    failureText_ = OutlookCallFailureText({}, DISP_E_TYPEMISMATCH);
    return std::nullopt;
  }
  const BSTR text = V_BSTR(value);
  return text ? FromWide(text, SysStringLen(text)) : std::u16string();
}

std::optional<uint64_t> OutlookCalls::Time(IDispatch& target, DISPID member) {
  MemberCallResult result = Make(target, member, MemberKind::PropertyGet, {});
  if (!Check(result)) return std::nullopt;
  if (V_VT(result.value.get()) != VT_DATE) {
    failureText_ = OutlookCallFailureText({}, DISP_E_TYPEMISMATCH);
    return std::nullopt;
  }
  const DATE date = V_DATE(result.value.get());
  uint64_t bits = 0;
  static_assert(sizeof date == sizeof bits);
  std::memcpy(&bits, &date, sizeof date);
  return bits;
}

bool OutlookCalls::Value(IDispatch& target, DISPID member, MemberKind kind,
                         std::initializer_list<DispatchArg> args, ScopedVariant& value) {
  MemberCallResult result = Make(target, member, kind, args);
  if (!Check(result)) return false;
  value = std::move(result.value);
  return true;
}

bool OutlookCalls::Check(const MemberCallResult& result) {
  if (result.ok()) return true;
  if (result.status == RPC_E_CALL_CANCELED) {
    failureText_ = OutlookNoAnswerText(context_.limits.callMs);
  } else if (IsBusyStatus(result.status)) {
    failureText_ = OutlookBusyText(context_.limits.busyMs);
  } else {
    failureText_ = OutlookCallFailureText(result.description, static_cast<uint32_t>(result.status));
  }
  failure_ = OutlookCallFailure(static_cast<uint32_t>(result.status));
  return false;
}
