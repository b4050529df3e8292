#include "clients/outlook/dispatch_member_call_win.h"

#include <vector>

#include "common/win/wide_text_win.h"

namespace {

ScopedVariant ToVariant(const DispatchArg& arg) {
  ScopedVariant v;
  if (const auto* text = std::get_if<std::u16string_view>(&arg)) {
    V_VT(v.get()) = VT_BSTR;
    V_BSTR(v.get()) = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text->data()),
                                        static_cast<UINT>(text->size()));
  } else if (const auto* flag = std::get_if<DispatchBool>(&arg)) {
    V_VT(v.get()) = VT_BOOL;
    V_BOOL(v.get()) = flag->value ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (const auto* object = std::get_if<IDispatch*>(&arg)) {
    V_VT(v.get()) = VT_DISPATCH;
    V_DISPATCH(v.get()) = *object;  // the variant's reference, released with it
    if (*object) (*object)->AddRef();
  } else {
    V_VT(v.get()) = VT_I4;
    V_I4(v.get()) = std::get<int32_t>(arg);
  }
  return v;
}

WORD InvokeFlags(MemberKind kind) {
  switch (kind) {
    case MemberKind::Method: return DISPATCH_METHOD;
    case MemberKind::PropertyGet: return DISPATCH_PROPERTYGET;
    case MemberKind::PropertyPut: return DISPATCH_PROPERTYPUT;
  }
  return DISPATCH_METHOD;
}

MemberCallResult InvokeOnce(IDispatch& target, DISPID member, MemberKind kind,
                            std::vector<ScopedVariant>& reversedArgs) {
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.cArgs = static_cast<UINT>(reversedArgs.size());
  // ScopedVariant holds exactly one VARIANT, so the vector is an array of them.
  static_assert(sizeof(ScopedVariant) == sizeof(VARIANT));
  params.rgvarg = reversedArgs.empty() ? nullptr : reversedArgs.front().get();
  if (kind == MemberKind::PropertyPut) {
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = &putId;
  }

  MemberCallResult result;
  EXCEPINFO exception{};
  UINT badArg = 0;
  result.status = target.Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, InvokeFlags(kind), &params,
                                kind == MemberKind::PropertyPut ? nullptr : result.value.put(),
                                &exception, &badArg);
  if (result.status == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    UniqueBstr source(exception.bstrSource);
    UniqueBstr description(exception.bstrDescription);
    UniqueBstr helpFile(exception.bstrHelpFile);
    if (description) {
      result.description = FromWide(description.get(), SysStringLen(description.get()));
    }
    if (FAILED(exception.scode)) result.status = exception.scode;
  }
  if (!result.ok()) result.value.put();
  return result;
}

}  // namespace

bool IsBusyStatus(HRESULT status) {
  return status == RPC_E_SERVERCALL_RETRYLATER || status == RPC_E_CALL_REJECTED;
}

MemberCallResult CallMember(IDispatch& target, DISPID member, MemberKind kind,
                            std::initializer_list<DispatchArg> args, OutlookCallContext& context) {
  // IDispatch takes the arguments last to first.
  std::vector<ScopedVariant> reversedArgs;
  reversedArgs.reserve(args.size());
  for (auto it = std::rbegin(args); it != std::rend(args); ++it) {
    reversedArgs.push_back(ToVariant(*it));
  }

  // An out-of-process Outlook is waited for by the message filter; an
  // in-process server (or a filter-less thread, or Wine's COM) hands the
  // busy status back here. Both take their pauses from the same budget.
  for (;;) {
    if (context.watch && !context.watch->Begin()) {
      MemberCallResult givenUp;  // the run has ended: Outlook is left alone
      givenUp.status = RPC_E_CALL_CANCELED;
      return givenUp;
    }
    MemberCallResult result = InvokeOnce(target, member, kind, reversedArgs);
    if (context.watch) context.watch->End();
    if (!IsBusyStatus(result.status)) return result;
    const auto pause = context.busy->NextPause();
    if (!pause) return result;
    Sleep(*pause);
  }
}

MemberCallResult CallMember(IDispatch& target, DISPID member, MemberKind kind,
                            std::initializer_list<DispatchArg> args) {
  OutlookCallContext context;
  return CallMember(target, member, kind, args, context);
}

UniqueComRef<IDispatch> TakeObject(ScopedVariant& value) {
  UniqueComRef<IDispatch> object;
  VARIANT* v = value.get();
  if (V_VT(v) == VT_DISPATCH && V_DISPATCH(v)) {
    object.reset(V_DISPATCH(v));
    V_VT(v) = VT_EMPTY;  // the reference moved into `object`
  } else if (V_VT(v) == VT_UNKNOWN && V_UNKNOWN(v)) {
    V_UNKNOWN(v)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.put()));
  }
  return object;
}
