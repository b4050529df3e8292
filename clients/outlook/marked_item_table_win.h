#pragma once
// The marked items of a folder as its table lists them (Folder.GetTable
// with the marker filter, then GetArray in batches): a few calls for any
// number of items, and no item opened. Only the default columns are read;
// adding a column is among the members Outlook guards with its security
// prompt.

#include <windows.h>
#include <oaidl.h>

#include <optional>
#include <vector>

#include "clients/outlook/known_contact_plan.h"
#include "clients/outlook/outlook_calls_win.h"

// In the table's order. Nothing on a failed call or an answer of another
// form; `calls` holds the text.
std::optional<std::vector<MarkedItemRow>> ReadMarkedItemRows(IDispatch& folder,
                                                             OutlookCalls& calls);
