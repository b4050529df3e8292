#pragma once
// A handle on the fake Outlook served from its own process: registers the
// local server program under "Outlook.Application" (so COM starts it and
// every call of a writer crosses processes, as with a real Outlook), keeps
// it alive with one application object of its own, and fills and reads the
// fake through that object's control member. Needs COM on the thread.

#include <oaidl.h>

#include <string>
#include <vector>

#include "clients/outlook/dispatch_member_call_win.h"
#include "tests/doubles/fake_outlook_control.h"

class FakeOutlookServer {
 public:
  // `exePath` as Windows sees it. Registered for the object's lifetime,
  // holding the registry lock.
  explicit FakeOutlookServer(const std::u16string& exePath) {
    if (!lock_.owned() || !FakeOutlookRegistration::Register(u"LocalServer32", exePath)) return;
    CLSID classId{};
    CLSIDFromString(TW_FAKE_OUTLOOK_CLSID_TEXT, &classId);
    CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                     reinterpret_cast<void**>(application_.put()));
    ScopedVariant id = Control({u"ProcessId"});
    if (V_VT(id.get()) == VT_I4) {
      process_.reset(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(V_I4(id.get()))));
    }
  }
  ~FakeOutlookServer() {
    Control({u"Quit"});  // whatever references COM may still hold
    application_.reset();
    FakeOutlookRegistration::Unregister();
    // Gone before the next test starts one: a server still quitting would
    // take that test's activation.
    if (process_) WaitForSingleObject(process_.get(), 10000);
  }
  FakeOutlookServer(const FakeOutlookServer&) = delete;
  FakeOutlookServer& operator=(const FakeOutlookServer&) = delete;

  bool connected() const { return application_.valid(); }

  // Empties every folder and forgets the calls.
  void Clear() { Control({u"Clear"}); }
  // Forgets the calls, their counts and the objects released so far.
  void ClearHistory() { Control({u"ClearHistory"}); }
  void AddContact(int folder, std::u16string_view fullName, std::u16string_view email,
                  std::u16string_view nickName) {
    Control({u"AddContact", int32_t{folder}, fullName, email, nickName});
  }
  bool SetNote(int folder, std::u16string_view fullName, std::u16string_view note) {
    ScopedVariant done = Control({u"SetNote", int32_t{folder}, fullName, note});
    return V_VT(done.get()) == VT_I4 && V_I4(done.get()) == 1;
  }
  // As FakeOutlook::Contacts.
  std::vector<std::u16string> Contacts(int folder) { return Lines({u"Describe", int32_t{folder}}); }
  // The number of the folder of that name in `parent`, -1 when none.
  int FolderNamed(int parent, std::u16string_view name) {
    ScopedVariant number = Control({u"FolderNamed", int32_t{parent}, name});
    return V_VT(number.get()) == VT_I4 ? V_I4(number.get()) : -1;
  }
  // "Object.Member=count" per member called since the history was cleared.
  std::vector<std::u16string> CallCounts() { return Lines({u"CallCounts"}); }
  // The next call of `member` does not return until Unstall, as a call
  // behind an Outlook prompt.
  void HangCall(DISPID member) { Control({u"HangCall", int32_t{member}}); }
  // The next object `member` is called on does not return from its last
  // Release until Unstall.
  void HangRelease(DISPID member) { Control({u"HangRelease", int32_t{member}}); }
  // The next `count` calls are turned away with `status`, as by a busy Outlook.
  void RejectCalls(int32_t count, HRESULT status) {
    Control({u"RejectCalls", count, int32_t{status}});
  }
  void Unstall() { Control({u"Unstall"}); }
  // A call hangs, or calls have been turned away.
  bool Stalled() {
    ScopedVariant stalled = Control({u"Stalled"});
    return V_VT(stalled.get()) == VT_I4 && V_I4(stalled.get()) == 1;
  }
  // As FakeOutlook::SetGuard and GuardPrompts.
  void SetGuard(bool on) { Control({u"Guard", int32_t{on ? 1 : 0}}); }
  long GuardPrompts() {
    ScopedVariant prompts = Control({u"GuardPrompts"});
    return V_VT(prompts.get()) == VT_I4 ? V_I4(prompts.get()) : -1;
  }
  long StoreWrites() {
    ScopedVariant writes = Control({u"StoreWrites"});
    return V_VT(writes.get()) == VT_I4 ? V_I4(writes.get()) : -1;
  }

 private:
  // Not Outlook's: the fake's own control member.
  static constexpr DISPID kControl = 0x7FFFF000;

  ScopedVariant Control(std::initializer_list<DispatchArg> args) {
    if (!application_) return {};
    return std::move(CallMember(*application_, kControl, MemberKind::Method, args).value);
  }
  std::vector<std::u16string> Lines(std::initializer_list<DispatchArg> args) {
    ScopedVariant text = Control(args);
    std::vector<std::u16string> lines;
    if (V_VT(text.get()) != VT_BSTR || !V_BSTR(text.get())) return lines;
    const std::u16string all = FromWide(V_BSTR(text.get()), SysStringLen(V_BSTR(text.get())));
    size_t start = 0;
    for (size_t end; (end = all.find(u'\n', start)) != std::u16string::npos; start = end + 1) {
      lines.push_back(all.substr(start, end - start));
    }
    return lines;
  }

  TestTurn lock_{kWriterFakesTurn};
  UniqueComRef<IDispatch> application_;
  UniqueHandle process_;
};
