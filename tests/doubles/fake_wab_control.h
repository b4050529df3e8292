#pragma once
// A test's handle on the fake address-book library: registers it where
// the writer looks for the WAB, fills it, injects failures and reads back
// what the writer left.

#include <string>
#include <vector>

#include "tests/doubles/fake_library_win.h"

class FakeWab {
 public:
  // `dllPath` as Windows sees it. Registers the library for the object's
  // lifetime (holding the registry lock) and starts it empty.
  explicit FakeWab(const std::u16string& dllPath)
      : library_(dllPath), registration_(HKEY_LOCAL_MACHINE, kKey, u"") {
    registration_.SetText(dllPath);
    Reset();
  }
  ~FakeWab() { Reset(); }

  bool loaded() const { return lock_.owned() && library_.loaded(); }
  // The registry value the writer reads, for tests of how it is read.
  RegistryValueOverride& registration() { return registration_; }

  void Reset() { library_.Call<void (*)()>("FakeWab_Reset"); }
  // Forgets the calls made and the objects released so far; keeps the entries.
  void ClearHistory() { library_.Call<void (*)()>("FakeWab_ClearHistory"); }
  // With the environment variable TW_FAKE_WAB_STATE naming a file, every
  // instance of the fake (also one in a program the test starts) loads its
  // entries from that file and writes them back after each change. This
  // loads them here.
  void Reload() { library_.Call<void (*)()>("FakeWab_Reload"); }
  // A saved mail user; a null text leaves that property out. Returns its position.
  int AddMailUser(const char16_t* name, const char16_t* email, const char16_t* nickname) {
    return library_.Call<int (*)(int, const wchar_t*, const wchar_t*, const wchar_t*)>(
        "FakeWab_AddEntry", 0, Wide(name), Wide(email), Wide(nickname));
  }
  int AddDistList(const char16_t* name, const char16_t* nickname) {
    return library_.Call<int (*)(int, const wchar_t*, const wchar_t*, const wchar_t*)>(
        "FakeWab_AddEntry", 1, Wide(name), nullptr, Wide(nickname));
  }
  // Stores `text` as the property `tag` of a saved entry, read by the
  // tag's type: numbers in decimal, dates as "YYYY-MM-DD hh:mm:ss".
  bool SetProperty(int position, ULONG tag, const std::u16string& text) {
    return library_.Call<int (*)(int, ULONG, const wchar_t*)>("FakeWab_SetProperty", position, tag,
                                                              AsWide(text)) != 0;
  }
  // Whether the container offers templates for new mail users and lists.
  void SetTemplates(bool mailUser, bool distList) {
    library_.Call<void (*)(int, int)>("FakeWab_SetTemplates", mailUser, distList);
  }
  // QueryRows answers with at most `rows` rows (0: as many as asked for).
  void SetRowsPerQuery(ULONG rows) {
    library_.Call<void (*)(ULONG)>("FakeWab_SetRowsPerQuery", rows);
  }
  void SetCursorStuck(bool stuck) { library_.Call<void (*)(int)>("FakeWab_SetCursorStuck", stuck); }
  // The `occurrence`-th next call of `call` (1 = the next one; 0 = every
  // one) fails with `status`. Calls: WABOpen, GetPAB, OpenEntry,
  // GetContentsTable, GetRowCount, QueryRows, ContainerGetProps,
  // CreateEntry, DeleteEntries, GetProps, SetProps, DeleteProps, SaveChanges.
  void FailCall(const std::u16string& call, int occurrence, HRESULT status) {
    library_.Call<void (*)(const wchar_t*, int, HRESULT)>("FakeWab_FailCall", AsWide(call),
                                                          occurrence, status);
  }

  // One line per saved entry, in order: "name|email|nickname", with "DL:"
  // before a distribution list; absent properties are empty.
  std::vector<std::u16string> Entries() const { return library_.Lines("FakeWab_Describe"); }
  // Every property of a saved entry as "TAG=value" (tag in hexadecimal).
  std::vector<std::u16string> EntryProperties(int position) const {
    return library_.Lines("FakeWab_DescribeEntry", position);
  }
  // The calls made since the last reset, "Name(details)".
  std::vector<std::u16string> Calls() const { return library_.Lines("FakeWab_CallLog"); }
  // Objects still referenced, buffers not given back, and misuses (calls
  // on released objects, buffers freed twice or never allocated).
  int LiveObjects() { return library_.Call<int (*)()>("FakeWab_LiveObjects"); }
  int OpenBuffers() { return library_.Call<int (*)()>("FakeWab_OpenBuffers"); }
  int Misuses() { return library_.Call<int (*)()>("FakeWab_Misuses"); }

 private:
  static constexpr char16_t kKey[] = u"Software\\Microsoft\\WAB\\DLLPath";

  static const wchar_t* Wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
  }

  TestTurn lock_{kWriterFakesTurn};
  FakeLibrary library_;
  RegistryValueOverride registration_;
};
