#pragma once
// Which company contacts the marked items of a folder already hold. Items
// and list are matched as multisets of the exact pair (name, e-mail): k
// equal contacts in the list keep k equal items, a further equal item has
// no match, and a contact whose name or address changed matches nothing.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "sync/addr_contact.h"

class MarkedContactMatcher {
 public:
  // `contacts` must outlive the matcher.
  explicit MarkedContactMatcher(const AddrContactList& contacts);

  // Forgets every claim: the matching starts over.
  void Restart();
  // Claims one unclaimed contact equal to an item's name and e-mail
  // address. False when none is left: the item has no match.
  bool Claim(std::u16string_view name, std::u16string_view email);
  // The contacts that no item claimed, in list order.
  AddrContactList Unclaimed() const;

 private:
  using Key = std::pair<std::u16string, std::u16string>;

  const AddrContactList& contacts_;
  std::map<Key, size_t> left_;  // unclaimed contacts per pair
};
