#pragma once
// The items of one folder that carry the marker nickname, found with Find
// and FindNext. Nothing documents how a store walks its items, so the
// search is bounded: it ends with a failure when FindNext answers the item
// it answered last, or when it has found more items than the folder held.

#include <windows.h>
#include <oaidl.h>

#include <cstdint>

#include "clients/outlook/outlook_calls_win.h"

class MarkedItemSearch {
 public:
  MarkedItemSearch(IDispatch& items, OutlookCalls& calls) : items_(items), calls_(calls) {}

  // Reads how many items the folder holds. False when that fails.
  [[nodiscard]] bool Start();
  // What Start read.
  int64_t folderCount() const { return folderCount_; }
  // The first marked item (Find); null when there is none or on failure.
  UniqueComRef<IDispatch> First();
  // The marked item after `current` (FindNext), which the caller still
  // holds; null at the end or on failure.
  UniqueComRef<IDispatch> Next(IDispatch& current);

 private:
  UniqueComRef<IDispatch> Counted(UniqueComRef<IDispatch> found);

  IDispatch& items_;
  const std::u16string filter_ = outlook::MarkerFilter();
  OutlookCalls& calls_;
  int64_t folderCount_ = 0;
  int64_t left_ = 0;  // items the search may still find
};

// Deletes every marked item of the folder whose item collection is
// `items`. Deleting while walking forwards may skip items, so the search
// starts over until Find finds nothing. False on a failed call or a search
// that did not end; `calls` holds the text.
[[nodiscard]] bool DeleteMarkedItems(IDispatch& items, OutlookCalls& calls);
