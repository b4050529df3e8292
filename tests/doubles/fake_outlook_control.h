#pragma once
// A test's handle on the fake Outlook: registers the in-process server
// under "Outlook.Application", fills its folders, injects failures and busy
// rejections, and reads back what the writer left.

#include <oaidl.h>

#include <string>
#include <vector>

#include "tests/doubles/fake_library_win.h"
#include "tests/doubles/fake_outlook_class_id.h"

// Registers the fake as "Outlook.Application" served by `path` under
// `serverKey` (InprocServer32 for the DLL, LocalServer32 for the program).
// The test prefix has no Outlook of its own, so unregistering removes the
// keys.
class FakeOutlookRegistration {
 public:
  static bool Register(const std::u16string& serverKey, const std::u16string& path) {
    const std::u16string classKey = u"CLSID\\" + ClassId();
    Unregister();
    return SetText(u"Outlook.Application\\CLSID", u"", ClassId()) &&
           SetText(classKey + u"\\" + serverKey, u"", path) &&
           (serverKey != u"InprocServer32" ||
            SetText(classKey + u"\\" + serverKey, u"ThreadingModel", u"Both"));
  }
  static void Unregister() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Outlook.Application");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, AsWide(u"CLSID\\" + ClassId()));
  }

 private:
  static std::u16string ClassId() { return FromWide(TW_FAKE_OUTLOOK_CLSID_TEXT); }
  static bool SetText(const std::u16string& subkey, const std::u16string& name,
                      const std::u16string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, AsWide(subkey), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    UniqueHKey owned(key);
    return RegSetValueExW(key, name.empty() ? nullptr : AsWide(name), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))) ==
           ERROR_SUCCESS;
  }
};

class FakeOutlook {
 public:
  static constexpr int kContactsFolder = 0;
  static constexpr int kOtherFolder = 1;
  static constexpr int kDeletedItemsFolder = 2;

  // How Find/FindNext keep their place (see FindCursor in the fake).
  enum class Cursor { AfterLastFound = 0, Position = 1, Stuck = 2 };

  // `dllPath` as Windows sees it. Registered for the object's lifetime,
  // holding the registry lock.
  explicit FakeOutlook(const std::u16string& dllPath) : path_(dllPath), library_(dllPath) {
    Register();
    Reset();
  }
  ~FakeOutlook() {
    Reset();
    Unregister();
  }
  FakeOutlook(const FakeOutlook&) = delete;
  FakeOutlook& operator=(const FakeOutlook&) = delete;

  bool loaded() const { return lock_.owned() && library_.loaded(); }

  bool Register() { return FakeOutlookRegistration::Register(u"InprocServer32", path_); }
  void Unregister() { FakeOutlookRegistration::Unregister(); }

  void Reset() { library_.Call<void (*)()>("FakeOutlook_Reset"); }
  // Forgets the calls made and the objects released so far; keeps the items.
  void ClearHistory() { library_.Call<void (*)()>("FakeOutlook_ClearHistory"); }
  // With the environment variable TW_FAKE_OUTLOOK_STATE naming a file,
  // every instance of the fake (also one in a program the test starts)
  // loads its items from that file and writes them back after each change.
  // This loads them here.
  void Reload() { library_.Call<void (*)()>("FakeOutlook_Reload"); }
  void AddContact(int folder, const std::u16string& fullName, const std::u16string& email,
                  const std::u16string& nickName) {
    library_.Call<void (*)(int, const wchar_t*, const wchar_t*, const wchar_t*)>(
        "FakeOutlook_AddContact", folder, AsWide(fullName), AsWide(email), AsWide(nickName));
  }
  // The `occurrence`-th next call of `member` (1 = the next one; 0 = every
  // one) fails: with `status` itself when `description` is null, else as
  // an exception carrying `status` and the description (none when empty).
  void FailCall(DISPID member, int occurrence, HRESULT status, const char16_t* description) {
    library_.Call<void (*)(DISPID, int, HRESULT, const wchar_t*)>(
        "FakeOutlook_FailCall", member, occurrence, status,
        reinterpret_cast<const wchar_t*>(description));
  }
  // The next `count` calls, whatever they are, are turned away with `status`.
  void RejectCalls(int count, HRESULT status) {
    library_.Call<void (*)(int, HRESULT)>("FakeOutlook_RejectCalls", count, status);
  }
  // Creating the application object fails with `status`.
  void FailCreate(HRESULT status) {
    library_.Call<void (*)(HRESULT)>("FakeOutlook_FailCreate", status);
  }
  void SetFindCursor(Cursor cursor) {
    library_.Call<void (*)(int)>("FakeOutlook_SetFindCursor", static_cast<int>(cursor));
  }
  // Delete succeeds and leaves the item where it is, as a broken store might.
  void IgnoreDeletes(bool ignored) {
    library_.Call<void (*)(int)>("FakeOutlook_IgnoreDeletes", ignored ? 1 : 0);
  }

  // Outlook's object-model guard as when Outlook does not trust the
  // program: a protected member fails as when the user clicks "Deny".
  void SetGuard(bool on) { library_.Call<void (*)(int)>("FakeOutlook_SetGuard", on ? 1 : 0); }
  // The security prompts the guard raised since the last reset.
  int GuardPrompts() { return library_.Call<int (*)()>("FakeOutlook_GuardPrompts"); }

  // As a user editing the first item of `folder` named `fullName` in
  // Outlook: gives it a note (any field the writer does not write) and, when
  // `email` is given, that address.
  bool SetNote(int folder, const std::u16string& fullName, const std::u16string& note,
               const char16_t* email = nullptr) {
    return library_.Call<int (*)(int, const wchar_t*, const wchar_t*, const wchar_t*)>(
               "FakeOutlook_SetNote", folder, AsWide(fullName), AsWide(note),
               reinterpret_cast<const wchar_t*>(email)) != 0;
  }

  // One line per saved item of the folder, in the folder's order, "full
  // name|e-mail|nickname" (the name as written),
  // with "|note" after it when the item has one.
  std::vector<std::u16string> Contacts(int folder) const {
    return library_.Lines("FakeOutlook_Describe", folder);
  }
  // Folders as a user makes, renames and deletes them (into Deleted Items)
  // in Outlook; a folder's number, -1 for none.
  int AddFolder(int parent, const std::u16string& name) {
    return library_.Call<int (*)(int, const wchar_t*)>("FakeOutlook_AddFolder", parent,
                                                       AsWide(name));
  }
  int FolderNamed(int parent, const std::u16string& name) const {
    return library_.Call<int (*)(int, const wchar_t*)>("FakeOutlook_FolderNamed", parent,
                                                       AsWide(name));
  }
  bool RenameFolder(int folder, const std::u16string& name) {
    return library_.Call<int (*)(int, const wchar_t*)>("FakeOutlook_RenameFolder", folder,
                                                       AsWide(name)) != 0;
  }
  void DeleteFolder(int folder) {
    library_.Call<void (*)(int)>("FakeOutlook_DeleteFolder", folder);
  }
  // "Show this folder as an e-mail address book".
  bool ShowsAsAddressBook(int folder) const {
    return library_.Call<int (*)(int)>("FakeOutlook_ShowsAsAddressBook", folder) != 0;
  }
  // Save and Delete calls since the last reset or history clearing.
  int StoreWrites() { return library_.Call<int (*)()>("FakeOutlook_StoreWrites"); }
  // "Object.Member(arguments)" per call made since the last reset.
  std::vector<std::u16string> Calls() const { return library_.Lines("FakeOutlook_CallLog"); }
  int LiveObjects() { return library_.Call<int (*)()>("FakeOutlook_LiveObjects"); }
  int Misuses() { return library_.Call<int (*)()>("FakeOutlook_Misuses"); }
  int Rejected() { return library_.Call<int (*)()>("FakeOutlook_Rejected"); }

 private:
  TestTurn lock_{kWriterFakesTurn};
  std::u16string path_;
  FakeLibrary library_;
};
