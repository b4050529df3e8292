// The in-process server's entry points, and the functions through which
// tests fill and inspect the fake (COM and the tests load the same DLL, so
// they share its memory).

#include <cwchar>

#include "fake_outlook/fake_outlook_objects.h"
#include "fake_outlook_class_id.h"

using namespace fakeoutlook;

namespace {

int CopyText(const std::wstring& text, wchar_t* out, int capacity) {
  const int needed = static_cast<int>(text.size());
  if (out && capacity > needed) std::wmemcpy(out, text.c_str(), text.size() + 1);
  return needed;
}

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  CLSID ours{};
  CLSIDFromString(TW_FAKE_OUTLOOK_CLSID_TEXT, &ours);
  if (classId != ours) return CLASS_E_CLASSNOTAVAILABLE;
  return TheClassFactory().QueryInterface(iid, out);
}

// The state must outlive every run of a test.
HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

void FakeOutlook_Reset() { ResetState(); }
void FakeOutlook_ClearHistory() { ClearHistory(); }
void FakeOutlook_Reload() { ReloadState(); }

void FakeOutlook_AddContact(int folder, const wchar_t* fullName, const wchar_t* email,
                            const wchar_t* nickName) {
  AddContactTo(folder, fullName ? fullName : L"", email ? email : L"", nickName ? nickName : L"");
}

int FakeOutlook_SetNote(int folder, const wchar_t* fullName, const wchar_t* note,
                        const wchar_t* email) {
  return SetNote(folder, fullName ? fullName : L"", note ? note : L"", email) ? 1 : 0;
}

void FakeOutlook_FailCall(DISPID member, int occurrence, HRESULT status,
                          const wchar_t* description) {
  TheState().failures.push_back(
      {member, occurrence, status, description != nullptr, description ? description : L""});
}

void FakeOutlook_RejectCalls(int count, HRESULT status) {
  TheState().rejectionsLeft = count;
  TheState().rejectionStatus = status;
}

void FakeOutlook_FailCreate(HRESULT status) { TheState().createStatus = status; }

void FakeOutlook_SetFindCursor(int cursor) { TheState().cursor = static_cast<FindCursor>(cursor); }
void FakeOutlook_IgnoreDeletes(int ignored) { TheState().deletesIgnored = ignored != 0; }
void FakeOutlook_SetGuard(int on) { TheState().guardOn = on != 0; }
int FakeOutlook_GuardPrompts() { return TheState().guardPrompts; }

int FakeOutlook_AddFolder(int parent, const wchar_t* name) {
  return AddFolder(parent, name ? name : L"");
}
int FakeOutlook_FolderNamed(int parent, const wchar_t* name) {
  return FolderNamed(parent, name ? name : L"");
}
int FakeOutlook_RenameFolder(int folder, const wchar_t* name) {
  return RenameFolder(folder, name ? name : L"") ? 1 : 0;
}
void FakeOutlook_DeleteFolder(int folder) { DeleteFolder(folder); }
int FakeOutlook_ShowsAsAddressBook(int folder) {
  const auto it = TheState().folders.find(folder);
  return it != TheState().folders.end() && it->second.showAsAddressBook ? 1 : 0;
}

int FakeOutlook_Describe(int folder, wchar_t* out, int capacity) {
  return CopyText(DescribeFolder(folder), out, capacity);
}

int FakeOutlook_CallLog(wchar_t* out, int capacity) {
  return CopyText(CallLogText(), out, capacity);
}

int FakeOutlook_LiveObjects() { return TheState().liveObjects; }
int FakeOutlook_Misuses() { return TheState().misuses; }
int FakeOutlook_Rejected() { return TheState().rejected; }
int FakeOutlook_StoreWrites() { return static_cast<int>(TheState().storeWrites); }

}  // extern "C"
