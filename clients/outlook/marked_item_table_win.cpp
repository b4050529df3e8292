#include "clients/outlook/marked_item_table_win.h"

#include <algorithm>
#include <cstring>

#include "clients/outlook/outlook_failure_text.h"
#include "common/win/wide_text_win.h"

namespace {

using namespace outlook;

// Rows per GetArray: 5,000 contacts in five calls, and one answer of a few
// hundred kilobytes at most.
constexpr int32_t kRowsPerBatch = 1000;

// The default columns of a contacts folder's table, in their documented
// order: EntryID, Subject, CreationTime, LastModificationTime, MessageClass,
// FirstName, LastName, CompanyName.
constexpr LONG kEntryIdColumn = 0;
constexpr LONG kSubjectColumn = 1;
constexpr LONG kModifiedColumn = 3;

// GetArray's answer: a zero-based array indexed (column, row), stored with
// the column varying fastest. False when it is of another form.
bool AppendRows(const VARIANT& value, std::vector<MarkedItemRow>& rows, LONG& rowCount) {
  rowCount = 0;
  if (V_VT(&value) == VT_EMPTY) return true;  // no rows left
  if (V_VT(&value) != (VT_ARRAY | VT_VARIANT) || !V_ARRAY(&value)) return false;
  SAFEARRAY* array = V_ARRAY(&value);
  if (SafeArrayGetDim(array) != 2) return false;
  LONG columnsLow = 0, columnsHigh = -1, rowsLow = 0, rowsHigh = -1;
  if (FAILED(SafeArrayGetLBound(array, 1, &columnsLow)) ||
      FAILED(SafeArrayGetUBound(array, 1, &columnsHigh)) ||
      FAILED(SafeArrayGetLBound(array, 2, &rowsLow)) ||
      FAILED(SafeArrayGetUBound(array, 2, &rowsHigh))) {
    return false;
  }
  const LONG columns = columnsHigh - columnsLow + 1;
  rowCount = std::max<LONG>(0, rowsHigh - rowsLow + 1);
  if (rowCount == 0) return true;
  if (columns <= kModifiedColumn) return false;
  VARIANT* cells = nullptr;
  if (FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&cells)))) return false;
  bool ok = true;
  for (LONG row = 0; ok && row < rowCount; ++row) {
    const VARIANT& id = cells[row * columns + kEntryIdColumn];
    const VARIANT& modified = cells[row * columns + kModifiedColumn];
    const VARIANT& subject = cells[row * columns + kSubjectColumn];
    if (V_VT(&id) != VT_BSTR || !V_BSTR(&id) || SysStringLen(V_BSTR(&id)) == 0 ||
        V_VT(&modified) != VT_DATE) {
      ok = false;
      break;
    }
    MarkedItemRow item;
    item.entryId = FromWide(V_BSTR(&id), SysStringLen(V_BSTR(&id)));
    // A subject is only a clue: another type (or none) leaves it empty.
    if (V_VT(&subject) == VT_BSTR && V_BSTR(&subject)) {
      item.subject = FromWide(V_BSTR(&subject), SysStringLen(V_BSTR(&subject)));
    }
    const DATE date = V_DATE(&modified);
    static_assert(sizeof date == sizeof item.modified);
    std::memcpy(&item.modified, &date, sizeof date);
    rows.push_back(std::move(item));
  }
  SafeArrayUnaccessData(array);
  return ok;
}

}  // namespace

std::optional<std::vector<MarkedItemRow>> ReadMarkedItemRows(IDispatch& folder,
                                                             OutlookCalls& calls) {
  UniqueComRef<IDispatch> table =
      calls.Object(folder, kGetTable, MemberKind::Method, {MarkerFilter()});
  if (!table) return std::nullopt;
  const std::optional<int32_t> count = calls.Number(*table, kGetRowCount, MemberKind::Method);
  if (!count) return std::nullopt;
  std::vector<MarkedItemRow> rows;
  rows.reserve(static_cast<size_t>(std::max(0, *count)));
  // Asked for no more rows than are left: Outlook 2007 refused a larger
  // number. A table that shrinks while it is read ends early.
  for (int32_t left = *count; left > 0;) {
    ScopedVariant batch;
    if (!calls.Value(*table, kGetArray, MemberKind::Method, {std::min(left, kRowsPerBatch)},
                     batch)) {
      return std::nullopt;
    }
    LONG got = 0;
    if (!AppendRows(*batch.get(), rows, got)) {
      calls.Fail(OutlookCallFailureText({}, DISP_E_TYPEMISMATCH));
      return std::nullopt;
    }
    if (got == 0) break;
    left -= std::min<int32_t>(left, got);
  }
  return rows;
}
