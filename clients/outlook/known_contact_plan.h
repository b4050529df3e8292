#pragma once
// Outlook 2013+: what a run must do to the marked items of the contacts
// folder, decided from the folder's table (EntryID, LastModificationTime)
// and the record of what earlier runs wrote, without reading any item.
// One person keeps one item: a person whose name or e-mail address changed
// keeps the item (updated in place, so the user's fields on it stay); only
// an item whose person left the list is deleted.

#include <cstdint>
#include <string>
#include <vector>

#include "clients/outlook/known_contact_record.h"
#include "sync/addr_contact.h"

struct MarkedItemRow {
  std::u16string entryId;
  uint64_t modified = 0;  // LastModificationTime, the DATE's bits
  std::u16string subject;
};

struct KnownContactPlan {
  struct Update {
    KnownContact before;  // as recorded
    AddrContact after;
    bool takenOver = false;  // an unknown item: both fields are written
    // Saved in Outlook since it was recorded: both fields are written, in
    // case the user changed one of them.
    bool changedInOutlook = false;
  };
  // In the folder, unchanged at the company and in Outlook; `modified` as
  // the table has it now.
  KnownContactRecord kept;
  // Same person, new name or new address; changed in Outlook; taken over.
  std::vector<Update> updates;
  // Items to delete: their person left the list, or an unknown item no
  // person took over.
  std::vector<std::u16string> removals;
  AddrContactList creations;  // persons without an item, in list order
};

// Pairs the list with the recorded items in the folder: first the equal
// (name, e-mail) pairs, as multisets; then, among the rest, an item whose
// e-mail address is still a person's (a rename), then one whose name is
// (a new address). Recorded entries not in the folder are forgotten (the
// user deleted the item: the person gets a new one). A marked item the
// record does not know (no record yet, a damaged one, one of another
// computer or mailbox, items an older version wrote) is taken over by a
// person still without an item whose name has the same words as the
// item's subject (Outlook shows a contact's name there, recomposed from the
// parts it parsed: "Zhang, Wei" may come back as "Wei Zhang"); both company
// fields are then written, since the item's address cannot be read.
// An empty name or address recognises no one in the second step (two
// people without an address are not one person). An item whose
// last-modification time is no longer the recorded one (more than a second
// apart: the table and the item round it differently) was saved by
// someone else: both its company fields are written again.
KnownContactPlan PlanKnownContacts(const AddrContactList& contacts,
                                   const std::vector<MarkedItemRow>& rows,
                                   const KnownContactRecord& record);
