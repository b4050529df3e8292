#pragma once
// One company contact as the mail server hands it out, and the ordered list
// a run passes to a writer. Fields are copied from the answer unchanged.

#include <string>
#include <vector>

struct AddrContact {
  std::u16string Name;
  std::u16string EMail;

  bool operator==(const AddrContact&) const = default;
};

// Keeps the server's order and its duplicates.
using AddrContactList = std::vector<AddrContact>;
