#include "clients/outlook/known_contact_sync_win.h"

#include <optional>
#include <vector>

#include "clients/outlook/known_contact_plan.h"
#include "clients/outlook/known_contact_record_file_win.h"
#include "clients/outlook/marked_contact_creation_win.h"
#include "clients/outlook/marked_item_table_win.h"
#include "clients/outlook/outlook_failure_text.h"

namespace {

using namespace outlook;

class KnownContactRun {
 public:
  KnownContactRun(IDispatch& application, IDispatch& mapi, IDispatch* folderItems,
                  OutlookCalls& calls)
      : application_(application), mapi_(mapi), folderItems_(folderItems), calls_(calls) {}

  // What the record says after the run: the items known to hold what it
  // says, whether or not the run got through.
  KnownContactRecord& record() { return record_; }

  bool Carry(KnownContactPlan& plan) {
    record_ = std::move(plan.kept);
    // The updates not made stay recorded as they were, so the next run
    // makes them.
    size_t updated = 0;
    const bool ok =
        Remove(plan.removals) && Update(plan.updates, updated) && Create(plan.creations);
    for (size_t i = updated; i < plan.updates.size(); ++i) {
      if (!plan.updates[i].takenOver) record_.push_back(plan.updates[i].before);
    }
    return ok;
  }

 private:
  UniqueComRef<IDispatch> Item(const std::u16string& entryId) {
    return calls_.Object(mapi_, kGetItemFromID, MemberKind::Method, {entryId});
  }

  // Delete moves the item into Deleted Items, where the user can restore it.
  bool Remove(const std::vector<std::u16string>& entryIds) {
    for (const std::u16string& entryId : entryIds) {
      UniqueComRef<IDispatch> item = Item(entryId);
      if (!item || !calls_.Call(*item, kDelete, MemberKind::Method, {})) return false;
    }
    return true;
  }

  // Only the company's two fields: those that changed, or both where the
  // item's content is not known.
  bool Update(const std::vector<KnownContactPlan::Update>& updates, size_t& done) {
    for (const KnownContactPlan::Update& update : updates) {
      UniqueComRef<IDispatch> item = Item(update.before.entryId);
      if (!item) return false;
      const bool both = update.takenOver || update.changedInOutlook;
      if ((both || update.after.Name != update.before.name) &&
          !calls_.Call(*item, kFullName, MemberKind::PropertyPut, {update.after.Name})) {
        return false;
      }
      if ((both || update.after.EMail != update.before.email) &&
          !calls_.Call(*item, kEmail1Address, MemberKind::PropertyPut, {update.after.EMail})) {
        return false;
      }
      if (!calls_.Call(*item, kSave, MemberKind::Method, {})) return false;
      ++done;
      if (!Saved(*item, update.before.entryId, update.after)) return false;
    }
    return true;
  }

  // Records a saved item with the time its save gave it, so that only a
  // later save by someone else tells as a change; 0 (learnt from the next
  // table) when the time cannot be read.
  bool Saved(IDispatch& item, const std::u16string& entryId, const AddrContact& contact) {
    const std::optional<uint64_t> modified = calls_.Time(item, kLastModificationTime);
    record_.push_back({entryId, modified.value_or(0), contact.Name, contact.EMail});
    return modified.has_value();
  }

  bool Create(const AddrContactList& contacts) {
    for (const AddrContact& contact : contacts) {
      UniqueComRef<IDispatch> item = NewContactItem(application_, folderItems_, calls_);
      if (!item || !calls_.Call(*item, kFullName, MemberKind::PropertyPut, {contact.Name}) ||
          !calls_.Call(*item, kEmail1Address, MemberKind::PropertyPut, {contact.EMail}) ||
          !calls_.Call(*item, kNickName, MemberKind::PropertyPut, {kCompanyContactMarker}) ||
          !calls_.Call(*item, kSave, MemberKind::Method, {})) {
        return false;
      }
      // The id exists once the item is saved.
      const std::optional<std::u16string> entryId = calls_.Text(*item, kEntryID);
      if (!entryId) return false;
      if (entryId->empty()) {
        calls_.Fail(OutlookCallFailureText({}, DISP_E_TYPEMISMATCH));
        return false;
      }
      if (!Saved(*item, *entryId, contact)) return false;
    }
    return true;
  }

  IDispatch& application_;
  IDispatch& mapi_;
  IDispatch* folderItems_;
  OutlookCalls& calls_;
  KnownContactRecord record_;
};

}  // namespace

bool SyncKnownContacts(IDispatch& application, IDispatch& mapi, IDispatch& folder,
                       const AddrContactList& contacts, const std::u16string& recordPath,
                       OutlookCalls& calls, IDispatch* folderItems, bool recordTrusted) {
  const std::optional<std::vector<MarkedItemRow>> rows = ReadMarkedItemRows(folder, calls);
  if (!rows) return false;
  if (contacts.empty()) {
    if (rows->empty()) return true;
    // An empty answer from a misconfigured server must not wipe the
    // company from every mailbox and phone.
    calls.Fail(kOutlookEmptyListText, RunFailure::EmptyList);
    return false;
  }
  const KnownContactRecord before =
      recordPath.empty() || !recordTrusted
          ? KnownContactRecord{}
          : LoadKnownContactRecord(recordPath).value_or(KnownContactRecord{});
  KnownContactPlan plan = PlanKnownContacts(contacts, *rows, before);
  KnownContactRun run(application, mapi, folderItems, calls);
  const bool written = run.Carry(plan);
  if (recordPath.empty()) return written;
  // Work given up writes no record: the run after it may be writing its own.
  OutlookCallWatch* watch = calls.context().watch;
  const auto save = [&] { return SaveKnownContactRecord(recordPath, run.record()); };
  if (watch ? watch->WriteIfWanted(save) : save()) return written;
  if (watch && watch->GivenUp()) return false;
  // Without the record the next run would take every item for unknown and
  // replace them all, with what users added to them.
  if (written) calls.Fail(OutlookRecordSaveFailureText(recordPath));
  return false;
}
