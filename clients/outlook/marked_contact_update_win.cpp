#include "clients/outlook/marked_contact_update_win.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "clients/outlook/marked_contact_creation_win.h"
#include "clients/outlook/marked_contact_matcher.h"
#include "clients/outlook/marked_item_search_win.h"
#include "clients/outlook/outlook_failure_text.h"

namespace {

using namespace outlook;

// Items without a match are held until the walk ends (deleting while
// walking may skip items). An Exchange mailbox in online mode limits how
// many items a client may hold open, so past this many the walk stops, they
// are deleted, and the walk starts over.
constexpr size_t kMostHeldItems = 100;

// One walk over the marked items. Sets `complete` when it reached the end
// rather than the hold limit. Each walk that stops at the limit deletes that
// many items, so a folder of N items needs at most N / limit + 1 walks; more
// means the store keeps what it said it deleted, and the run must not go on
// for ever.
bool WalkAndDeleteUnmatched(IDispatch& items, MarkedContactMatcher& matcher, bool listEmpty,
                            OutlookCalls& calls, std::optional<int64_t>& walksLeft,
                            bool& complete) {
  MarkedItemSearch search(items, calls);
  if (!search.Start()) return false;
  if (!walksLeft) walksLeft = search.folderCount() / static_cast<int64_t>(kMostHeldItems) + 1;
  if (*walksLeft <= 0) {
    calls.Fail(kOutlookSearchEndlessText);
    return false;
  }
  --*walksLeft;
  UniqueComRef<IDispatch> item = search.First();
  if (item && listEmpty) {
    // An empty answer from a misconfigured server must not wipe the
    // company from every mailbox and phone.
    calls.Fail(kOutlookEmptyListText, RunFailure::EmptyList);
    return false;
  }
  std::vector<UniqueComRef<IDispatch>> unmatched;
  while (item && unmatched.size() < kMostHeldItems) {
    const std::optional<std::u16string> name = calls.Text(*item, kFullName);
    if (!name) return false;
    const std::optional<std::u16string> email = calls.Text(*item, kEmail1Address);
    if (!email) return false;
    UniqueComRef<IDispatch> next = search.Next(*item);
    if (!matcher.Claim(*name, *email)) unmatched.push_back(std::move(item));
    item = std::move(next);
  }
  if (calls.failed()) return false;
  complete = !item;
  item.reset();
  for (UniqueComRef<IDispatch>& stale : unmatched) {
    if (!calls.Call(*stale, kDelete, MemberKind::Method, {})) return false;
    stale.reset();
  }
  return true;
}

}  // namespace

bool UpdateMarkedContacts(IDispatch& application, IDispatch& items,
                          const AddrContactList& contacts, OutlookCalls& calls) {
  MarkedContactMatcher matcher(contacts);
  std::optional<int64_t> walksLeft;
  for (bool complete = false; !complete;) {
    // After deletes the remaining items are matched afresh.
    matcher.Restart();
    if (!WalkAndDeleteUnmatched(items, matcher, contacts.empty(), calls, walksLeft, complete)) {
      return false;
    }
  }
  return CreateMarkedContacts(application, matcher.Unclaimed(), calls);
}
