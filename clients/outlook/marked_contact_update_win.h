#pragma once
// Outlook 2013+: the marked contacts brought in line with the company list
// by writing only the difference. Each run of a mailbox that syncs to a
// server and to phones otherwise replays every delete and create there, and
// loses what users added to company contacts.

#include <windows.h>
#include <oaidl.h>

#include "clients/outlook/outlook_calls_win.h"
#include "sync/addr_contact.h"

// Reads the name and e-mail address of every marked item of the folder
// whose item collection is `items` and matches them against `contacts`
// (MarkedContactMatcher): matched items stay untouched, marked items
// without a match are deleted, contacts without a match are created. An
// empty list while marked items exist changes nothing and fails. False on
// a failed call or a search that did not end; `calls` holds the text.
bool UpdateMarkedContacts(IDispatch& application, IDispatch& items,
                          const AddrContactList& contacts, OutlookCalls& calls);
