#pragma once
// Where the company's contacts are in Outlook when they are not in the
// default contacts folder: the folder they were written into, found again
// by its EntryID whatever the user renamed it to, for the folder name that
// was set then, and whether the program made that folder (only then may it
// remove it when the contacts leave it). No record: the default folder.

#include <optional>
#include <string>
#include <string_view>

struct ContactFolderRecord {
  std::u16string entryId;  // the folder's EntryID, never empty
  std::u16string name;     // the setting's folder name it was found or made for
  bool created = false;

  bool operator==(const ContactFolderRecord&) const = default;
};

// The folder the setting names, and where its record is kept.
struct OutlookFolderChoice {
  std::u16string name;        // empty: the default contacts folder
  std::u16string recordPath;  // empty: nowhere, the folder is found by its name
};

// UTF-8: a header line, then one line with the three fields separated by tabs.
std::string FormatContactFolderRecord(const ContactFolderRecord& record);
// Nothing for a text that FormatContactFolderRecord did not make.
std::optional<ContactFolderRecord> ParseContactFolderRecord(std::string_view text);

// A folder name the setting may hold: not empty, not longer than 64
// characters, without a backslash (Outlook's path separator) or a control
// character. The name is taken as it is (the dialog trims it).
bool IsContactFolderName(std::u16string_view name);
