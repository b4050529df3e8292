#include "clients/outlook/marked_contact_matcher.h"

MarkedContactMatcher::MarkedContactMatcher(const AddrContactList& contacts)
    : contacts_(contacts) {
  Restart();
}

void MarkedContactMatcher::Restart() {
  left_.clear();
  for (const AddrContact& contact : contacts_) ++left_[{contact.Name, contact.EMail}];
}

bool MarkedContactMatcher::Claim(std::u16string_view name, std::u16string_view email) {
  auto it = left_.find(Key(name, email));
  if (it == left_.end() || it->second == 0) return false;
  --it->second;
  return true;
}

AddrContactList MarkedContactMatcher::Unclaimed() const {
  std::map<Key, size_t> left = left_;
  AddrContactList unclaimed;
  for (const AddrContact& contact : contacts_) {
    size_t& n = left[{contact.Name, contact.EMail}];
    if (n == 0) continue;
    --n;
    unclaimed.push_back(contact);
  }
  return unclaimed;
}
