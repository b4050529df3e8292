#pragma once
// The folder the company's contacts are written into: the default contacts
// folder, or one of the setting's name directly under it, found again by
// its EntryID (so a user's rename keeps it), else by its name, else made
// anew and shown in the address book. When the setting changed, the place
// the contacts were is named too, for the writer to empty; the program's
// own folder is then removed once nothing else is in it.

#include <windows.h>
#include <oaidl.h>

#include <optional>

#include "clients/outlook/contact_folder_record.h"
#include "clients/outlook/outlook_calls_win.h"

struct ContactPlace {
  UniqueComRef<IDispatch> target;
  // The target's items, where new items are added; null for the default
  // folder, whose new items come from CreateItem.
  UniqueComRef<IDispatch> targetItems;
  // Where the contacts were, when that is another folder than the target.
  UniqueComRef<IDispatch> previous;
  bool previousCreated = false;
  // False when the recorded folder is gone (the user deleted it): what
  // Outlook 2013+ recorded of its items is no longer of use.
  bool recordTrusted = true;
  std::optional<ContactFolderRecord> loaded;  // as the run found it
  std::optional<ContactFolderRecord> record;  // the target; none: the default folder
};

// `contacts` is the default contacts folder. False on a failed call.
[[nodiscard]] bool FindContactPlace(IDispatch& mapi, IDispatch& contacts,
                                    const OutlookFolderChoice& choice, OutlookCalls& calls,
                                    ContactPlace& place);

// Once the contacts have left `previous`: removes it (into Deleted Items)
// when the program made it and it holds neither items nor folders, then
// keeps the record of the target. False on a failed call or a record that
// cannot be kept.
[[nodiscard]] bool SettleContactPlace(const OutlookFolderChoice& choice, const ContactPlace& place,
                                      OutlookCalls& calls);
