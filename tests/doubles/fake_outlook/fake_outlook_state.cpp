#include "fake_outlook/fake_outlook_state.h"

#include <cwchar>
#include <cstring>
#include <sstream>

#include "fake_state_file.h"

namespace fakeoutlook {
namespace {

std::wstring Hex(unsigned long long value, int digits) {
  std::wstring text(static_cast<size_t>(digits), L'0');
  for (int i = digits - 1; i >= 0 && value; --i, value >>= 4) {
    text[static_cast<size_t>(i)] = L"0123456789ABCDEF"[value & 15];
  }
  return text;
}

// A store's ids share its identity, as a real store's do.
std::wstring NewEntryId(const State& s, ULONG sequence) {
  return L"00000000" + s.storeId + Hex(sequence, 8);
}

std::wstring NewStoreId() {
  static unsigned long long made = 0;
  return Hex((GetTickCount64() << 16) ^ (GetCurrentProcessId() << 8) ^ ++made, 16);
}

void ReloadStateInto(State& s) {
  s.stateFile = fakestate::PathFromEnvironment(kStateFileVariable);
  if (s.stateFile.empty()) return;
  s.contacts.clear();
  for (const fakestate::Row& row : fakestate::Read(s.stateFile)) {
    if (row.size() != 7) continue;
    const ULONG sequence = s.nextSequence++;
    const int folder = static_cast<int>(std::wcstol(row[0].c_str(), nullptr, 10));
    Contact c{sequence, folder, row[1], row[2], row[3], row[4], row[5], 0};
    const unsigned long long bits = std::wcstoull(row[6].c_str(), nullptr, 16);
    std::memcpy(&c.modified, &bits, sizeof bits);
    s.contacts[sequence] = c;
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
  for (const auto& [sequence, c] : s.contacts) {
    unsigned long long bits = 0;
    std::memcpy(&bits, &c.modified, sizeof bits);
    rows.push_back({std::to_wstring(c.folder), c.fullName, c.email, c.nickName, c.note,
                    c.entryId, Hex(bits, 16)});
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

DATE NextModificationTime() { return TheState().clock += 1.0 / 86400; }

std::wstring ComposedFullName(const std::wstring& written) {
  const size_t comma = written.find(L',');
  std::wistringstream parts(comma == std::wstring::npos
                                ? written
                                : written.substr(comma + 1) + L" " + written.substr(0, comma));
  std::wstring composed, word;
  while (parts >> word) composed += (composed.empty() ? L"" : L" ") + word;
  return composed;
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

bool SetNote(int folder, const std::wstring& fullName, const std::wstring& note) {
  for (auto& [sequence, c] : TheState().contacts) {
    if (c.folder != folder || c.fullName != fullName) continue;
    c.note = note;
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
