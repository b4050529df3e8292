#include "fake_outlook/fake_outlook_state.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <sstream>

#include "fake_state_file.h"

namespace fakeoutlook {
namespace {

// A minute between saves: a user's edit is never within a second of a run's.
constexpr DATE kTick = 60.0 / 86400;

// A store's ids share its identity, as a real store's do.
std::wstring NewEntryId(const State& s, ULONG sequence) {
  return L"00000000" + s.storeId + std::to_wstring(1000000000UL + sequence);
}

std::wstring NewStoreId() {
  static unsigned long long made = 0;
  return std::to_wstring(GetTickCount64() * 1000 + GetCurrentProcessId() % 1000 + ++made);
}

// The state file's rows for made folders begin with this.
constexpr wchar_t kFolderRow[] = L"folder";

void ReloadStateInto(State& s) {
  s.stateFile = fakestate::PathFromEnvironment(kStateFileVariable);
  if (s.stateFile.empty()) return;
  s.contacts.clear();
  s.folders.clear();
  for (const fakestate::Row& row : fakestate::Read(s.stateFile)) {
    if (row.size() == 6 && row[0] == kFolderRow) {
      const int number = static_cast<int>(std::wcstol(row[1].c_str(), nullptr, 10));
      s.folders[number] = {static_cast<int>(std::wcstol(row[2].c_str(), nullptr, 10)), row[3],
                           row[4], row[5] == L"1"};
      s.nextFolder = std::max(s.nextFolder, number + 1);
      continue;
    }
    if (row.size() != 6) continue;
    const ULONG sequence = s.nextSequence++;
    const int folder = static_cast<int>(std::wcstol(row[0].c_str(), nullptr, 10));
    s.contacts[sequence] = {sequence, folder, row[1], row[2],
                            row[3],   row[4], row[5], s.clock += kTick};
  }
}

}  // namespace

State& TheState() { return fakestate::LoadedOnce<State, ReloadStateInto>(); }

void ResetState() {
  TheState().objects.clear();
  TheState() = State{};
  TheState().storeId = NewStoreId();
  TheState().stateFile = fakestate::PathFromEnvironment(kStateFileVariable);
  PersistState();
}

void ClearHistory() {
  fakecom::ClearLedgerHistory();
  TheState().memberCalls.clear();
  TheState().storeWrites = 0;
}

void ReloadState() { ReloadStateInto(TheState()); }

void PersistState() {
  const State& s = TheState();
  if (s.stateFile.empty()) return;
  std::vector<fakestate::Row> rows;
  for (const auto& [number, f] : s.folders) {
    rows.push_back({kFolderRow, std::to_wstring(number), std::to_wstring(f.parent), f.name,
                    f.entryId, f.showAsAddressBook ? L"1" : L"0"});
  }
  for (const auto& [sequence, c] : s.contacts) {
    rows.push_back({std::to_wstring(c.folder), c.fullName, c.email, c.nickName, c.note, c.entryId});
  }
  fakestate::Write(s.stateFile, rows);
}

Contact* FindContact(ULONG sequence) {
  auto it = TheState().contacts.find(sequence);
  return it == TheState().contacts.end() ? nullptr : &it->second;
}

ULONG AddContact(Contact contact) {
  State& s = TheState();
  const ULONG sequence = s.nextSequence++;
  contact.sequence = sequence;
  contact.entryId = NewEntryId(s, sequence);
  contact.modified = NextModificationTime();
  s.contacts[sequence] = std::move(contact);
  return sequence;
}

Contact* FindContactById(const std::wstring& entryId) {
  for (auto& [sequence, c] : TheState().contacts) {
    if (c.entryId == entryId) return &c;
  }
  return nullptr;
}

DATE NextModificationTime() { return TheState().clock += kTick; }

DATE WholeSeconds(DATE time) { return std::floor(time * 86400 + 1e-6) / 86400; }

std::wstring ComposedFullName(const std::wstring& written) {
  const size_t comma = written.find(L',');
  std::wistringstream parts(comma == std::wstring::npos
                                ? written
                                : written.substr(comma + 1) + L" " + written.substr(0, comma));
  std::wstring composed, word;
  while (parts >> word) composed += (composed.empty() ? L"" : L" ") + word;
  return composed;
}

std::wstring FolderEntryId(int folder) {
  const State& s = TheState();
  const auto it = s.folders.find(folder);
  if (it != s.folders.end()) return it->second.entryId;
  return L"00000000" + s.storeId + L"F" + std::to_wstring(folder);
}

int FolderParent(int folder) {
  if (folder == kTopFolder) return kNoFolder;
  const auto it = TheState().folders.find(folder);
  return it == TheState().folders.end() ? kTopFolder : it->second.parent;
}

std::wstring FolderName(int folder) {
  switch (folder) {
    case kContactsFolder: return L"联系人";
    case kDeletedItemsFolder: return L"已删除邮件";
    case kTopFolder: return L"个人文件夹";
    default: break;
  }
  const auto it = TheState().folders.find(folder);
  return it == TheState().folders.end() ? L"其他" : it->second.name;
}

int FolderById(const std::wstring& entryId) {
  for (const int builtIn : {kContactsFolder, 1, kDeletedItemsFolder, kTopFolder}) {
    if (FolderEntryId(builtIn) == entryId) return builtIn;
  }
  for (const auto& [number, f] : TheState().folders) {
    if (f.entryId == entryId) return number;
  }
  return kNoFolder;
}

int FolderNamed(int parent, const std::wstring& name) {
  for (const auto& [number, f] : TheState().folders) {
    if (f.parent == parent &&
        CompareStringOrdinal(f.name.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) {
      return number;
    }
  }
  return kNoFolder;
}

int AddFolder(int parent, const std::wstring& name) {
  State& s = TheState();
  const int number = s.nextFolder++;
  s.folders[number] = {parent, name, L"00000000" + s.storeId + L"F" + std::to_wstring(number),
                       false};
  PersistState();
  return number;
}

void DeleteFolder(int folder) {
  State& s = TheState();
  const auto it = s.folders.find(folder);
  if (it == s.folders.end()) return;
  if (it->second.parent != kDeletedItemsFolder) {
    it->second.parent = kDeletedItemsFolder;
  } else {
    std::vector<int> inside{folder};
    for (size_t i = 0; i < inside.size(); ++i) {
      for (const auto& [number, f] : s.folders) {
        if (f.parent == inside[i]) inside.push_back(number);
      }
    }
    for (const int gone : inside) {
      s.folders.erase(gone);
      std::erase_if(s.contacts, [gone](const auto& entry) { return entry.second.folder == gone; });
    }
  }
  PersistState();
}

bool RenameFolder(int folder, const std::wstring& name) {
  const auto it = TheState().folders.find(folder);
  if (it == TheState().folders.end()) return false;
  it->second.name = name;
  PersistState();
  return true;
}

void AddContactTo(int folder, const std::wstring& fullName, const std::wstring& email,
                  const std::wstring& nickName) {
  Contact c;
  c.folder = folder;
  c.fullName = fullName;
  c.email = email;
  c.nickName = nickName;
  AddContact(std::move(c));
  PersistState();
}

bool SetNote(int folder, const std::wstring& fullName, const std::wstring& note,
             const wchar_t* email) {
  for (auto& [sequence, c] : TheState().contacts) {
    if (c.folder != folder || c.fullName != fullName) continue;
    c.note = note;
    if (email) c.email = email;
    c.modified = NextModificationTime();
    PersistState();
    return true;
  }
  return false;
}

std::wstring DescribeFolder(int folder) {
  std::wstring text;
  for (const auto& [sequence, c] : TheState().contacts) {
    if (c.folder != folder) continue;
    text += c.fullName + L"|" + c.email + L"|" + c.nickName;
    if (!c.note.empty()) text += L"|" + c.note;
    text += L"\n";
  }
  return text;
}

std::wstring CallLogText() {
  std::wstring text;
  for (const std::wstring& call : TheState().calls) text += call + L"\n";
  return text;
}

std::wstring CallCountsText() {
  std::wstring text;
  for (const auto& [member, count] : TheState().memberCalls) {
    text += member + L"=" + std::to_wstring(count) + L"\n";
  }
  return text;
}

}  // namespace fakeoutlook

namespace fakecom {
Ledger& TheLedger() { return fakeoutlook::TheState(); }
}  // namespace fakecom
