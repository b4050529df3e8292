#include "clients/outlook/marked_item_search_win.h"

#include "clients/outlook/outlook_failure_text.h"

namespace {

// COM identity: the same object gives the same IUnknown, also through a
// proxy, and asking a proxy for it does not cross into Outlook.
bool SameObject(IDispatch& a, IDispatch& b) {
  UniqueComRef<IUnknown> ua;
  UniqueComRef<IUnknown> ub;
  if (FAILED(a.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ua.put()))) ||
      FAILED(b.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ub.put())))) {
    return false;
  }
  return ua.get() == ub.get();
}

}  // namespace

bool MarkedItemSearch::Start() {
  const std::optional<int32_t> count = calls_.Number(items_, outlook::kCount);
  if (!count) return false;
  folderCount_ = *count;
  left_ = *count;
  return true;
}

UniqueComRef<IDispatch> MarkedItemSearch::First() {
  return Counted(calls_.Found(items_, outlook::kFind, {filter_}));
}

UniqueComRef<IDispatch> MarkedItemSearch::Next(IDispatch& current) {
  UniqueComRef<IDispatch> next = calls_.Found(items_, outlook::kFindNext, {});
  if (next && SameObject(*next, current)) {
    calls_.Fail(kOutlookSearchEndlessText);
    return {};
  }
  return Counted(std::move(next));
}

UniqueComRef<IDispatch> MarkedItemSearch::Counted(UniqueComRef<IDispatch> found) {
  if (!found) return {};
  if (left_ <= 0) {
    calls_.Fail(kOutlookSearchEndlessText);
    return {};
  }
  --left_;
  return found;
}

bool DeleteMarkedItems(IDispatch& items, OutlookCalls& calls) {
  MarkedItemSearch search(items, calls);
  if (!search.Start()) return false;
  for (;;) {
    UniqueComRef<IDispatch> item = search.First();
    if (!item) return !calls.failed();
    while (item) {
      if (!calls.Call(*item, outlook::kDelete, MemberKind::Method, {})) return false;
      UniqueComRef<IDispatch> next = search.Next(*item);
      item = std::move(next);  // releases the deleted item
    }
    if (calls.failed()) return false;
  }
}
