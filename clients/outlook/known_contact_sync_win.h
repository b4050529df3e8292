#pragma once
// Outlook 2013+: the marked contacts of the contacts folder brought in line
// with the company list, one item per person, from the folder's table and
// the record of what earlier runs wrote (KnownContactPlan). A day without
// changes costs a handful of calls and no write; a person whose name or
// address changed keeps the item and every field the user added to it; an
// item is deleted only when its person left (it goes to Deleted Items and
// stays there); one saved in Outlook since the record was written (a user's
// edit) gets both company fields again. No member that Outlook guards with
// its security prompt is ever called: the e-mail address is written, never
// read.

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "clients/outlook/outlook_calls_win.h"
#include "sync/addr_contact.h"

// `mapi` is the namespace, `folder` the contacts folder written into, with
// `folderItems` its items when it is not the default one (new items are
// added there). An untrusted record is read as none. An empty
// list while marked items exist changes nothing and fails. The record at
// `recordPath` is read first and written last, also after a failure, with
// what was done, but not once the work was given up (no path: no record,
// every marked item is unknown). False on a failed call or a record that
// cannot be written; `calls` holds the text.
[[nodiscard]] bool SyncKnownContacts(IDispatch& application, IDispatch& mapi, IDispatch& folder,
                                     const AddrContactList& contacts,
                                     const std::u16string& recordPath, OutlookCalls& calls,
                                     IDispatch* folderItems = nullptr, bool recordTrusted = true);
