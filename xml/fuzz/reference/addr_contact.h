#pragma once
// Reference copy of sync/addr_contact.h before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
// One company contact as the mail server hands it out, and the ordered list
// a run passes to a writer. Fields are copied from the answer unchanged.

#include <string>
#include <vector>

namespace reference {

struct AddrContact {
  std::u16string Name;
  std::u16string EMail;

  bool operator==(const AddrContact&) const = default;
};

// Keeps the server's order and its duplicates.
using AddrContactList = std::vector<AddrContact>;

}  // namespace reference
