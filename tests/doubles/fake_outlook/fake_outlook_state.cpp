#include "fake_outlook/fake_outlook_state.h"

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

void ReloadStateInto(State& s) {
  s.stateFile = fakestate::PathFromEnvironment(kStateFileVariable);
  if (s.stateFile.empty()) return;
  s.contacts.clear();
  for (const fakestate::Row& row : fakestate::Read(s.stateFile)) {
    if (row.size() != 6) continue;
    const ULONG sequence = s.nextSequence++;
    const int folder = static_cast<int>(std::wcstol(row[0].c_str(), nullptr, 10));
    s.contacts[sequence] = {sequence, folder, row[1], row[2], row[3], row[4], row[5],
                            s.clock += kTick};
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
    rows.push_back(
        {std::to_wstring(c.folder), c.fullName, c.email, c.nickName, c.note, c.entryId});
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
