#pragma once
// New marked contact items, one per company contact.

#include <windows.h>
#include <oaidl.h>

#include "clients/outlook/outlook_calls_win.h"
#include "sync/addr_contact.h"

// Per contact, in list order: CreateItem (or, given a folder's items,
// Items.Add there: CreateItem's items go to the default folder), then FullName and Email1Address
// as given (no trimming, no fallback for an empty name), NickName the
// marker, and Save. False at the first failed call; what was saved stays.
[[nodiscard]] bool CreateMarkedContacts(IDispatch& application, const AddrContactList& contacts,
                                        OutlookCalls& calls, IDispatch* folderItems = nullptr);

// A new contact item: in the default contacts folder, or among `folderItems`.
UniqueComRef<IDispatch> NewContactItem(IDispatch& application, IDispatch* folderItems,
                                       OutlookCalls& calls);
