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
    if (row.size() != 4) continue;
    const ULONG sequence = s.nextSequence++;
    s.contacts[sequence] = {sequence, static_cast<int>(std::wcstol(row[0].c_str(), nullptr, 10)), row[1], row[2], row[3]};
  }
}

}  // namespace

State& TheState() {
  static State state = [] {
    State initial;
    ReloadStateInto(initial);
    return initial;
  }();
  return state;
}

void ResetState() {
  TheState().objects.clear();
  TheState() = State{};
  TheState().stateFile = fakestate::PathFromEnvironment(kStateFileVariable);
  PersistState();
}

void ClearHistory() { fakecom::ClearLedgerHistory(); }

void ReloadState() { ReloadStateInto(TheState()); }

void PersistState() {
  const State& s = TheState();
  if (s.stateFile.empty()) return;
  std::vector<fakestate::Row> rows;
  for (const auto& [sequence, c] : s.contacts) {
    rows.push_back({std::to_wstring(c.folder), c.fullName, c.email, c.nickName});
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

}  // namespace fakeoutlook

namespace fakecom {
Ledger& TheLedger() { return fakeoutlook::TheState(); }
}  // namespace fakecom
