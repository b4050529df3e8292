#pragma once
// What both fakes keep about the COM objects they hand out: every object
// made, how many are still referenced, the calls made on them, and every
// misuse (a reference taken or dropped on a released object), recorded so
// the test that caused it fails instead of crashing.

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace fakecom {

class Object;

struct Ledger {
  std::vector<std::wstring> calls;
  std::vector<std::unique_ptr<Object>> objects;
  int liveObjects = 0;
  int misuses = 0;
};

// The ledger of the fake this object belongs to; each fake defines it.
Ledger& TheLedger();

inline void RecordMisuse(const std::wstring& what) {
  ++TheLedger().misuses;
  TheLedger().calls.push_back(L"MISUSE: " + what);
}

// Objects are kept (in the ledger) after their last release, so a late
// call on one is seen rather than touching freed memory.
class Object {
 public:
  Object() { ++TheLedger().liveObjects; }
  virtual ~Object() = default;
  ULONG AddReference() {
    if (!alive()) {
      RecordMisuse(L"AddRef on a released object");
      return 0;
    }
    return ++references_;
  }
  ULONG ReleaseReference() {
    if (!alive()) {
      RecordMisuse(L"Release on a released object");
      return 0;
    }
    if (--references_ == 0) --TheLedger().liveObjects;
    return references_;
  }
  bool alive() const { return references_ > 0; }

 private:
  ULONG references_ = 1;
};

// Forgets the calls so far and the objects no one references any more.
inline void ClearLedgerHistory() {
  Ledger& l = TheLedger();
  l.calls.clear();
  std::erase_if(l.objects, [](const std::unique_ptr<Object>& o) { return !o->alive(); });
}

}  // namespace fakecom
