#pragma once
// Outlook 2013+: the marked items of one folder moved into another, each
// with whatever the user added to it. A move may give an item a new
// EntryID, so the record of what the runs wrote follows each item to the
// id the moved item has.

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "clients/outlook/outlook_calls_win.h"

// The record at `recordPath` is read first and written last, also after a
// failure, but not once the work was given up. False on a failed call or
// a record that cannot be written.
[[nodiscard]] bool MoveMarkedItems(IDispatch& mapi, IDispatch& from, IDispatch& to,
                                   const std::u16string& recordPath, OutlookCalls& calls);
