// Outlook 2013+: what a run plans from the folder's table and its record.

#include "clients/outlook/known_contact_plan.h"

#include <gtest/gtest.h>

#include <bit>

namespace {

// A LastModificationTime `seconds` into a day, as DATE bits, and back.
uint64_t At(double seconds) { return std::bit_cast<uint64_t>(46000 + seconds / 86400); }
int SecondsOf(uint64_t bits) {
  return static_cast<int>((std::bit_cast<double>(bits) - 46000) * 86400 + 0.5);
}

// "=id" and its time kept, "id>name|email" updated ("!" when both fields
// are put for a save in Outlook), "-id" deleted, "+name|email" created.
std::u16string Described(const KnownContactPlan& plan) {
  std::u16string text;
  for (const KnownContact& k : plan.kept)
    text += u"=" + k.entryId + char16_t(u'0' + SecondsOf(k.modified));
  for (const auto& u : plan.updates) {
    text += u" " + u.before.entryId + u">" + u.after.Name + u"|" + u.after.EMail +
            (u.changedInOutlook ? u"!" : u"");
  }
  for (const std::u16string& id : plan.removals) text += u" -" + id;
  for (const AddrContact& c : plan.creations) text += u" +" + c.Name + u"|" + c.EMail;
  return text;
}

TEST(KnownContactPlan, PairsAPersonWithTheirOwnItemOnlyAndRepairsOneSavedSince) {
  const struct {
    KnownContact recorded;
    uint64_t now;  // its item's time in the folder's table
    AddrContact person;
    std::u16string expected;
  } cases[] = {
      {{u"a", At(1), u"A", u""}, At(1), {u"B", u""}, u" -a +B|"},        // no address is no one's
      {{u"a", At(1), u"", u"a@x"}, At(1), {u"", u"b@x"}, u" -a +|b@x"},  // nor is no name
      {{u"a", At(1), u"A", u"a@x"}, At(2.001), {u"A", u"a@x"}, u" a>A|a@x!"},
      {{u"a", At(1), u"A", u"a@x"}, At(9), {u"B", u"a@x"}, u" a>B|a@x!"},
      {{u"a", 0, u"A", u"a@x"}, At(2), {u"A", u"a@x"}, u"=a2"},  // a time not recorded is learnt
      // One time read two ways: truncated, and rounded up.
      {{u"a", At(2), u"A", u"a@x"}, At(1), {u"A", u"a@x"}, u"=a1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const std::vector<MarkedItemRow> rows{{c.recorded.entryId, c.now, c.recorded.name}};
    EXPECT_EQ(Described(PlanKnownContacts({c.person}, rows, {c.recorded})), c.expected);
  }
  // An item the record does not know is taken over by its name's words,
  // whatever blanks or commas stood between them.
  const std::vector<MarkedItemRow> unknown{{u"u", At(1), u"Zhang\uFF0CSan"}};
  EXPECT_EQ(Described(PlanKnownContacts({{u"San\tZhang", u"s@x"}}, unknown, {})),
            u" u>San\tZhang|s@x");
}

}  // namespace
