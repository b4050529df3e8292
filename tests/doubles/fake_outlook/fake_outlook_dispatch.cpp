#include "fake_outlook/fake_outlook_dispatch.h"

#include <initializer_list>

namespace fakeoutlook {
namespace {

const wchar_t* MemberName(DISPID member) {
  for (const PublishedMember& m : kMembers) {
    if (m.id == member) return m.name;
  }
  return L"?";
}

// Microsoft's "Protected Properties and Methods" page, for the objects this
// fake serves: a get of such a property, or a call of such a method, raises
// the security prompt when Outlook does not trust the caller. Setting a
// property is not guarded.
struct GuardedMembers {
  const wchar_t* object;
  std::initializer_list<const wchar_t*> properties;
  std::initializer_list<const wchar_t*> methods;
};
const GuardedMembers kGuarded[] = {
    {L"ContactItem",
     {L"Body", L"Email1Address", L"Email1AddressType", L"Email1DisplayName", L"Email1EntryID",
      L"Email2Address", L"Email2AddressType", L"Email2DisplayName", L"Email2EntryID",
      L"Email3Address", L"Email3AddressType", L"Email3DisplayName", L"Email3EntryID", L"IMAddress",
      L"NetMeetingAlias", L"PropertyAccessor", L"ReferredBy", L"RTFBody"},
     {L"SaveAs"}},
    {L"Columns", {}, {L"Add"}},
    {L"Namespace", {L"CurrentUser"}, {L"GetRecipientFromID"}},
};

bool Guarded(const std::wstring& object, const std::wstring& member, WORD flags) {
  for (const GuardedMembers& guarded : kGuarded) {
    if (object != guarded.object) continue;
    for (const wchar_t* name : guarded.properties) {
      if ((flags & DISPATCH_PROPERTYGET) && member == name) return true;
    }
    for (const wchar_t* name : guarded.methods) {
      if ((flags & DISPATCH_METHOD) && member == name) return true;
    }
  }
  return false;
}

std::wstring ArgumentsText(const DISPPARAMS& params) {
  std::wstring text;
  for (UINT i = params.cArgs; i-- > 0;) {
    const VARIANT& v = params.rgvarg[i];
    if (!text.empty()) text += L",";
    if (V_VT(&v) == VT_BSTR) {
      text += L"'" + std::wstring(V_BSTR(&v) ? V_BSTR(&v) : L"", SysStringLen(V_BSTR(&v))) + L"'";
    } else if (V_VT(&v) == VT_I4) {
      text += std::to_wstring(V_I4(&v));
    } else {
      text += L"vt" + std::to_wstring(V_VT(&v));
    }
  }
  return text;
}

// The failure a test asked for on this call, or S_OK.
HRESULT TakeFailure(DISPID member, EXCEPINFO* exception) {
  auto& failures = TheState().failures;
  for (auto it = failures.begin(); it != failures.end(); ++it) {
    if (it->member != member) continue;
    const State::Failure failure = *it;
    if (it->countdown != 0) {
      if (--it->countdown != 0) continue;
      failures.erase(it);
    }
    return failure.described ? RaiseException(exception, failure.status, failure.description)
                             : failure.status;
  }
  return S_OK;
}

// Outlook behind a modal prompt: the call does not return, but its thread
// keeps pumping messages, so other calls (the test's among them) are
// served meanwhile. Ends when the test lets go or asks the server to quit,
// or after ten minutes.
void HangUntilLetGo() {
  State& s = TheState();
  s.hanging = true;
  const ULONGLONG giveUp = GetTickCount64() + 10 * 60 * 1000;
  while (s.hanging && !s.quitRequested && GetTickCount64() < giveUp) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  s.hanging = false;
}

// Control(verb, arguments...): what the DLL's exports offer a test in the
// same process, for one in another. Not logged or counted.
HRESULT Control(const Arguments& args, VARIANT* result) {
  const std::wstring verb = args.TextOr(0);
  State& s = TheState();
  if (verb == L"Clear") {
    s.contacts.clear();
    s.folders.clear();
    ClearHistory();
  } else if (verb == L"ClearHistory") {
    ClearHistory();
  } else if (verb == L"AddContact") {
    AddContactTo(args.NumberOr(1), args.TextOr(2), args.TextOr(3), args.TextOr(4));
  } else if (verb == L"SetNote") {
    ReturnNumber(result, SetNote(args.NumberOr(1), args.TextOr(2), args.TextOr(3)) ? 1 : 0);
  } else if (verb == L"FolderNamed") {
    ReturnNumber(result, FolderNamed(args.NumberOr(1), args.TextOr(2)));
  } else if (verb == L"Describe") {
    ReturnText(result, DescribeFolder(args.NumberOr(1)));
  } else if (verb == L"CallCounts") {
    ReturnText(result, CallCountsText());
  } else if (verb == L"StoreWrites") {
    ReturnNumber(result, s.storeWrites);
  } else if (verb == L"Guard") {
    s.guardOn = args.NumberOr(1) != 0;
  } else if (verb == L"GuardPrompts") {
    ReturnNumber(result, s.guardPrompts);
  } else if (verb == L"Quit") {
    s.quitRequested = true;
  } else if (verb == L"HangCall") {
    s.hangMember = args.NumberOr(1);
  } else if (verb == L"HangRelease") {
    s.hangReleaseAfter = args.NumberOr(1);
  } else if (verb == L"RejectCalls") {
    s.rejectionsLeft = args.NumberOr(1);
    s.rejectionStatus = args.NumberOr(2);
  } else if (verb == L"Unstall") {
    s.hanging = false;
    s.rejectionsLeft = 0;
  } else if (verb == L"ProcessId") {
    ReturnNumber(result, static_cast<LONG>(GetCurrentProcessId()));
  } else if (verb == L"Stalled") {
    ReturnNumber(result, s.hanging || s.rejected > 0 ? 1 : 0);
  } else {
    return DISP_E_MEMBERNOTFOUND;
  }
  return S_OK;
}

}  // namespace

void ReturnObject(VARIANT* result, IDispatch* object) {
  if (!result) {
    if (object) object->Release();
    return;
  }
  V_VT(result) = VT_DISPATCH;
  V_DISPATCH(result) = object;
}

void ReturnText(VARIANT* result, const std::wstring& text) {
  if (!result) return;
  V_VT(result) = VT_BSTR;
  V_BSTR(result) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

HRESULT RaiseException(EXCEPINFO* exception, HRESULT status, const std::wstring& description) {
  if (exception) {
    *exception = EXCEPINFO{};
    exception->scode = status;
    exception->bstrSource = SysAllocString(L"Fake Outlook");
    if (!description.empty()) exception->bstrDescription = SysAllocString(description.c_str());
  }
  return DISP_E_EXCEPTION;
}

void ReturnNumber(VARIANT* result, LONG number) {
  if (!result) return;
  V_VT(result) = VT_I4;
  V_I4(result) = number;
}

HRESULT STDMETHODCALLTYPE DispatchObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!alive()) {
    RecordMisuse(std::wstring(kind_) + L".QueryInterface on a released object");
    return E_UNEXPECTED;
  }
  if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
  *out = static_cast<IDispatch*>(this);
  AddReference();
  return S_OK;
}

ULONG STDMETHODCALLTYPE DispatchObject::Release() {
  const ULONG left = ReleaseReference();
  if (left == 0 && TheState().hangReleaseOf == this) {
    TheState().hangReleaseOf = nullptr;
    HangUntilLetGo();
  }
  return left;
}

HRESULT STDMETHODCALLTYPE DispatchObject::Invoke(DISPID member, REFIID, LCID, WORD flags,
                                                 DISPPARAMS* params, VARIANT* result,
                                                 EXCEPINFO* exception, UINT*) {
  State& s = TheState();
  ++s.invocations;
  if (!alive()) {
    RecordMisuse(std::wstring(kind_) + L"." + MemberName(member) + L" on a released object");
    return E_UNEXPECTED;
  }
  if (member == kControl) {
    if (result) VariantInit(result);
    return params ? Control(Arguments(*params), result) : E_INVALIDARG;
  }
  if (s.rejectionsLeft > 0) {
    --s.rejectionsLeft;
    ++s.rejected;
    return s.rejectionStatus;
  }
  if (!params) return E_INVALIDARG;
  const std::wstring kind(kind_);
  const std::wstring memberName = member == kGetRowCount && kind == L"Table" ? L"GetRowCount"
                                  : member == kName && kind == L"Folder"     ? L"Name"
                                                                             : MemberName(member);
  const std::wstring name = std::wstring(kind_) + L"." + memberName;
  s.calls.push_back(name + L"(" + ArgumentsText(*params) + L")");
  ++s.memberCalls[name];
  if (member == s.hangMember) {
    s.hangMember = 0;
    HangUntilLetGo();
  }
  if (member == s.hangReleaseAfter) {
    s.hangReleaseAfter = 0;
    s.hangReleaseOf = this;
  }
  if (s.guardOn && Guarded(kind_, memberName, flags)) {
    ++s.guardPrompts;
    return kMapiNotSupported;
  }
  if (HRESULT failed = TakeFailure(member, exception); failed != S_OK) return failed;
  if (result) VariantInit(result);
  return Member(member, flags, Arguments(*params), result, exception);
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring NickNameOfFilter(const std::wstring& filter) {
  const std::wstring prefix = L"[NickName] = '";
  if (filter.size() < prefix.size() + 2 || filter.compare(0, prefix.size(), prefix) != 0 ||
      filter.back() != L'\'') {
    return {};
  }
  return filter.substr(prefix.size(), filter.size() - prefix.size() - 1);
}

}  // namespace fakeoutlook
