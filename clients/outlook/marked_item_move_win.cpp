#include "clients/outlook/marked_item_move_win.h"

#include <optional>
#include <unordered_map>
#include <vector>

#include "clients/outlook/known_contact_plan.h"
#include "clients/outlook/known_contact_record_file_win.h"
#include "clients/outlook/marked_item_table_win.h"
#include "clients/outlook/outlook_folder_members_win.h"

namespace {

using namespace outlook;

// Moves each row's item; the recorded ones take their new ids.
bool MoveRows(IDispatch& mapi, IDispatch& to, const std::vector<MarkedItemRow>& rows,
              KnownContactRecord& record, OutlookCalls& calls) {
  std::unordered_map<std::u16string, size_t> recorded;
  for (size_t i = 0; i < record.size(); ++i) recorded.emplace(record[i].entryId, i);
  for (const MarkedItemRow& row : rows) {
    UniqueComRef<IDispatch> item =
        calls.Object(mapi, kGetItemFromID, MemberKind::Method, {row.entryId});
    if (!item) return false;
    UniqueComRef<IDispatch> moved = calls.Object(*item, kMove, MemberKind::Method, {&to});
    if (!moved) return false;
    const std::optional<std::u16string> id = calls.Text(*moved, kEntryID);
    const std::optional<uint64_t> modified =
        id ? calls.Time(*moved, kLastModificationTime) : std::nullopt;
    if (!modified) return false;
    const auto it = recorded.find(row.entryId);
    if (it == recorded.end()) continue;  // the plan takes it over by its name
    KnownContact& entry = record[it->second];
    entry.entryId = *id;
    // A user's edit since the record was written still tells as one.
    if (entry.modified == row.modified) entry.modified = *modified;
  }
  return true;
}

}  // namespace

bool MoveMarkedItems(IDispatch& mapi, IDispatch& from, IDispatch& to,
                     const std::u16string& recordPath, OutlookCalls& calls) {
  const std::optional<std::vector<MarkedItemRow>> rows = ReadMarkedItemRows(from, calls);
  if (!rows) return false;
  if (rows->empty()) return true;
  KnownContactRecord record =
      recordPath.empty() ? KnownContactRecord{}
                         : LoadKnownContactRecord(recordPath).value_or(KnownContactRecord{});
  const bool moved = MoveRows(mapi, to, *rows, record, calls);
  if (recordPath.empty()) return moved;
  OutlookCallWatch* watch = calls.context().watch;
  const auto save = [&] { return SaveKnownContactRecord(recordPath, record); };
  if (watch ? watch->WriteIfWanted(save) : save()) return moved;
  if (moved && (!watch || !watch->GivenUp())) calls.Fail(OutlookRecordSaveFailureText(recordPath));
  return false;
}
