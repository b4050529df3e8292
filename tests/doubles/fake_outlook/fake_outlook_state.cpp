#include "fake_outlook/fake_outlook_state.h"

#include <cwchar>

#include "fake_state_file.h"

namespace fakeoutlook {
namespace {

void ReloadStateInto(State& s) {
  s.stateFile = fakestate::PathFromEnvironment(kStateFileVariable);
  if (s.stateFile.empty()) return;
  s.contacts.clear();
  for (const fakestate::Row& row : fakestate::Read(s.stateFile)) {
    if (row.size() != 4 && row.size() != 5) continue;
    const ULONG sequence = s.nextSequence++;
    const int folder = static_cast<int>(std::wcstol(row[0].c_str(), nullptr, 10));
    const std::wstring note = row.size() == 5 ? row[4] : L"";
    s.contacts[sequence] = {sequence, folder, row[1], row[2], row[3], note};
  }
}

}  // namespace

State& TheState() { return fakestate::LoadedOnce<State, ReloadStateInto>(); }

void ResetState() {
  TheState().objects.clear();
  TheState() = State{};
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
    rows.push_back({std::to_wstring(c.folder), c.fullName, c.email, c.nickName});
    if (!c.note.empty()) rows.back().push_back(c.note);
  }
  fakestate::Write(s.stateFile, rows);
}

Contact* FindContact(ULONG sequence) {
  auto it = TheState().contacts.find(sequence);
  return it == TheState().contacts.end() ? nullptr : &it->second;
}

ULONG AddContact(Contact contact) {
  const ULONG sequence = TheState().nextSequence++;
  contact.sequence = sequence;
  TheState().contacts[sequence] = std::move(contact);
  return sequence;
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
