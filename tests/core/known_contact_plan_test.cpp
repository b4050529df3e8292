// Outlook 2013+: what a run plans from the folder's table and its record.

#include "clients/outlook/known_contact_plan.h"

#include <gtest/gtest.h>

namespace {

// "=id@time" kept, "id>name|email" updated (then "!" when both fields are
// written for a change in Outlook), "-id" deleted, "+name|email" created.
std::u16string Described(const KnownContactPlan& plan) {
  std::u16string text;
  for (const KnownContact& k : plan.kept) {
    text += u"=" + k.entryId + u"@" + char16_t(u'0' + k.modified) + u" ";
  }
  for (const auto& u : plan.updates) {
    text += u.before.entryId + u">" + u.after.Name + u"|" + u.after.EMail +
            (u.changedInOutlook ? u"! " : u" ");
  }
  for (const std::u16string& id : plan.removals) text += u"-" + id + u" ";
  for (const AddrContact& c : plan.creations) text += u"+" + c.Name + u"|" + c.EMail + u" ";
  return text;
}

TEST(KnownContactPlan, PairsEachPersonWithTheirOwnItemOnly) {
  const struct {
    const char* what;
    KnownContactRecord record;  // every entry's item is in the folder, at time 1
    AddrContactList contacts;
    std::u16string expected;
    uint64_t tableTime = 1;
  } cases[] = {
      {"unchanged", {{u"a", 1, u"A", u"a@x"}}, {{u"A", u"a@x"}}, u"=a@1 "},
      {"renamed", {{u"a", 1, u"A", u"a@x"}}, {{u"B", u"a@x"}}, u"a>B|a@x "},
      {"new address", {{u"a", 1, u"A", u"a@x"}}, {{u"A", u"b@x"}}, u"a>A|b@x "},
      {"no address is no one's", {{u"a", 1, u"A", u""}}, {{u"B", u""}}, u"-a +B| "},
      {"no name is no one's", {{u"a", 1, u"", u"a@x"}}, {{u"", u"b@x"}}, u"-a +|b@x "},
      {"saved in Outlook since", {{u"a", 1, u"A", u"a@x"}}, {{u"A", u"a@x"}}, u"a>A|a@x! ", 2},
      {"renamed and saved since", {{u"a", 1, u"A", u"a@x"}}, {{u"B", u"a@x"}}, u"a>B|a@x! ", 2},
      {"time not recorded yet", {{u"a", 0, u"A", u"a@x"}}, {{u"A", u"a@x"}}, u"=a@2 ", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<MarkedItemRow> rows;
    for (const KnownContact& k : c.record) rows.push_back({k.entryId, c.tableTime, k.name});
    EXPECT_EQ(Described(PlanKnownContacts(c.contacts, rows, c.record)), c.expected);
  }
}

}  // namespace
