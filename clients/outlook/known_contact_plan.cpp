#include "clients/outlook/known_contact_plan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <string_view>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>

namespace {

// Unclaimed recorded items, found by a key, in folder order.
template <typename Key>
class Pool {
 public:
  void Add(Key key, size_t item) { items_[std::move(key)].push_back(item); }
  // The first unclaimed item under `key`, or none.
  std::optional<size_t> Claim(const Key& key, const std::vector<bool>& claimed) {
    auto it = items_.find(key);
    if (it == items_.end()) return std::nullopt;
    std::deque<size_t>& queue = it->second;
    while (!queue.empty() && claimed[queue.front()]) queue.pop_front();
    if (queue.empty()) return std::nullopt;
    const size_t item = queue.front();
    queue.pop_front();
    return item;
  }

 private:
  std::map<Key, std::deque<size_t>> items_;
};

// The words of a name, in order, whatever blanks and commas stood between
// them; empty for a name without words, which is no clue.
std::u16string NameWords(std::u16string_view name) {
  std::vector<std::u16string> words;
  std::u16string word;
  for (const char16_t c : name) {
    if (c == u' ' || c == u',' || c == u'\u3000' || c == u'\uFF0C' || c == u'\t') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  std::sort(words.begin(), words.end());
  std::u16string key;
  for (const std::u16string& w : words) key.append(w).push_back(u'\n');
  return key;
}

// A DATE's milliseconds; none for bits that are no time of these years.
std::optional<int64_t> Milliseconds(uint64_t bits) {
  double days = 0;
  std::memcpy(&days, &bits, sizeof days);
  if (!(std::fabs(days) < 3e6)) return std::nullopt;
  return std::llround(days * 86400000.0);
}

// The table and the item read one time each their own way (whole seconds
// truncated or rounded, or milliseconds): readings a second apart or less
// are that one time.
bool SameTime(uint64_t a, uint64_t b) {
  if (a == b) return true;
  const std::optional<int64_t> ma = Milliseconds(a);
  const std::optional<int64_t> mb = Milliseconds(b);
  return ma && mb && std::llabs(*ma - *mb) <= 1000;
}

}  // namespace

KnownContactPlan PlanKnownContacts(const AddrContactList& contacts,
                                   const std::vector<MarkedItemRow>& rows,
                                   const KnownContactRecord& record) {
  std::unordered_map<std::u16string, const KnownContact*> byId;
  for (const KnownContact& entry : record) byId.emplace(entry.entryId, &entry);

  KnownContactPlan plan;
  std::vector<KnownContact> known;  // the recorded items in the folder
  std::vector<uint64_t> modified;   // each one's time as the table has it
  std::vector<const MarkedItemRow*> unknown;
  for (const MarkedItemRow& row : rows) {
    auto it = byId.find(row.entryId);
    if (it == byId.end() || !it->second) {
      // Unknown, or a second row with the same id (never from one store).
      unknown.push_back(&row);
      continue;
    }
    known.push_back(*it->second);
    it->second = nullptr;
    modified.push_back(row.modified);
  }
  // Saved since it was recorded: by the user, who may have changed a
  // company field too. A time not recorded (0) is learnt, not repaired.
  const auto changedInOutlook = [&](size_t i) {
    return known[i].modified != 0 && !SameTime(known[i].modified, modified[i]);
  };

  // An item holding just what a person needs is theirs; otherwise an empty
  // name or address is no one's and recognises no one.
  Pool<std::pair<std::u16string, std::u16string>> byPair;
  Pool<std::u16string> byEmail;
  Pool<std::u16string> byName;
  for (size_t i = 0; i < known.size(); ++i) {
    byPair.Add({known[i].name, known[i].email}, i);
    if (!known[i].email.empty()) byEmail.Add(known[i].email, i);
    if (!known[i].name.empty()) byName.Add(known[i].name, i);
  }
  std::vector<bool> claimed(known.size(), false);
  std::vector<AddrContact> unmatched;
  for (const AddrContact& contact : contacts) {
    if (const auto item = byPair.Claim({contact.Name, contact.EMail}, claimed)) {
      claimed[*item] = true;
      if (changedInOutlook(*item)) {
        plan.updates.push_back({.before = known[*item],
                                .after = contact,
                                .takenOver = false,
                                .changedInOutlook = true});
      } else {
        plan.kept.push_back(known[*item]);
        plan.kept.back().modified = modified[*item];
      }
    } else {
      unmatched.push_back(contact);
    }
  }
  // A rename keeps the address, a new address keeps the name.
  for (const bool byAddress : {true, false}) {
    std::vector<AddrContact> stillUnmatched;
    for (const AddrContact& contact : unmatched) {
      const auto item =
          byAddress ? byEmail.Claim(contact.EMail, claimed) : byName.Claim(contact.Name, claimed);
      if (!item) {
        stillUnmatched.push_back(contact);
        continue;
      }
      claimed[*item] = true;
      plan.updates.push_back({.before = known[*item],
                              .after = contact,
                              .takenOver = false,
                              .changedInOutlook = changedInOutlook(*item)});
    }
    unmatched.swap(stillUnmatched);
  }

  Pool<std::u16string> bySubject;
  std::vector<bool> taken(unknown.size(), false);
  for (size_t i = 0; i < unknown.size(); ++i) {
    const std::u16string words = NameWords(unknown[i]->subject);
    if (!words.empty()) bySubject.Add(words, i);
  }
  for (const AddrContact& contact : unmatched) {
    const std::u16string words = NameWords(contact.Name);
    const auto item = words.empty() ? std::nullopt : bySubject.Claim(words, taken);
    if (!item) {
      plan.creations.push_back(contact);
      continue;
    }
    taken[*item] = true;
    const MarkedItemRow& row = *unknown[*item];
    plan.updates.push_back({KnownContact{row.entryId, row.modified, {}, {}}, contact, true, false});
  }
  for (size_t i = 0; i < unknown.size(); ++i) {
    if (!taken[i]) plan.removals.push_back(unknown[i]->entryId);
  }
  for (size_t i = 0; i < known.size(); ++i) {
    if (!claimed[i]) plan.removals.push_back(known[i].entryId);
  }
  return plan;
}
