#pragma once
// What Outlook 2013+ runs wrote: one entry per marked contact item, kept
// in a file beside the program, so that a run learns from the folder's
// table of EntryIDs what changed instead of reading every item back (the
// e-mail address cannot be read without Outlook's security prompt).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct KnownContact {
  std::u16string entryId;  // the item's EntryID as the folder's table gives it (hex text)
  uint64_t modified = 0;   // its LastModificationTime (the DATE's bits) when last seen; 0 unknown
  std::u16string name;     // the company's values as last written
  std::u16string email;
};

using KnownContactRecord = std::vector<KnownContact>;

// UTF-8 text: a header line, then one line per entry with its four fields
// separated by tabs (tab, line feed, carriage return and backslash escaped).
std::string FormatKnownContactRecord(const KnownContactRecord& record);
// Nothing when the text is not a whole record of this format: a damaged
// record is not used at all.
std::optional<KnownContactRecord> ParseKnownContactRecord(std::string_view text);
