#include "clients/outlook/service_outlook_sync_win.h"

#include <memory>

#include "clients/outlook/contact_folder_win.h"
#include "clients/outlook/known_contact_sync_win.h"
#include "clients/outlook/marked_contact_creation_win.h"
#include "clients/outlook/marked_item_move_win.h"
#include "clients/outlook/marked_item_search_win.h"
#include "clients/outlook/outlook_application_win.h"
#include "clients/outlook/outlook_calls_win.h"
#include "clients/outlook/outlook_failure_text.h"
#include "clients/outlook/outlook_thread_win.h"

namespace {

using namespace outlook;

// The item collection of one of the default folders.
UniqueComRef<IDispatch> DefaultFolderItems(IDispatch& mapi, int32_t folderKind,
                                           OutlookCalls& calls) {
  UniqueComRef<IDispatch> folder =
      calls.Object(mapi, kGetDefaultFolder, MemberKind::Method, {folderKind});
  if (!folder) return {};
  return calls.Object(*folder, kItems, MemberKind::PropertyGet, {});
}

// Outlook 2003-2010. False when a contact could not be written; `erased`
// says whether the marked items moved into Deleted Items were erased there.
bool ReplaceMarkedContacts(IDispatch& application, IDispatch& mapi, const ContactPlace& place,
                           const OutlookFolderChoice& folder, const AddrContactList& contacts,
                           OutlookCalls& calls, bool& erased) {
  // A place left behind keeps none of the marked contacts.
  if (place.previous) {
    UniqueComRef<IDispatch> left =
        calls.Object(*place.previous, kItems, MemberKind::PropertyGet, {});
    if (!left || !DeleteMarkedItems(*left, calls) || !SettleContactPlace(folder, place, calls)) {
      return false;
    }
  } else if (!SettleContactPlace(folder, place, calls)) {
    return false;
  }
  UniqueComRef<IDispatch> contactItems =
      place.targetItems ? UniqueComRef<IDispatch>()
                        : calls.Object(*place.target, kItems, MemberKind::PropertyGet, {});
  IDispatch* items = place.targetItems ? place.targetItems.get() : contactItems.get();
  if (!items || !DeleteMarkedItems(*items, calls) ||
      !CreateMarkedContacts(application, contacts, calls, place.targetItems.get())) {
    return false;
  }
  // Outlook's Delete only moves an item into Deleted Items, where a whole
  // company a day would pile up until the mailbox is full; Delete there
  // erases it. Done last, so a Deleted Items folder that cannot be reached
  // never costs the user the company contacts, nor fails their run.
  OutlookCalls cleanup(calls.context());
  UniqueComRef<IDispatch> deletedItems = DefaultFolderItems(mapi, olFolderDeletedItems, cleanup);
  erased = deletedItems && DeleteMarkedItems(*deletedItems, cleanup);
  return true;
}

// Outlook 2013+: the items move from a place left behind, with the user's
// fields, before the changes are written.
bool SyncKnownContactsIn(IDispatch& application, IDispatch& mapi, const ContactPlace& place,
                         const OutlookFolderChoice& folder, const AddrContactList& contacts,
                         const std::u16string& recordPath, OutlookCalls& calls) {
  if (place.previous) {
    // As for an empty list in one place: nothing is moved out on its word.
    if (contacts.empty()) {
      calls.Fail(kOutlookEmptyListText, RunFailure::EmptyList);
      return false;
    }
    if (!MoveMarkedItems(mapi, *place.previous, *place.target, recordPath, calls)) return false;
  }
  return SettleContactPlace(folder, place, calls) &&
         SyncKnownContacts(application, mapi, *place.target, contacts, recordPath, calls,
                           place.targetItems.get(), place.recordTrusted);
}

// The whole session with Outlook, on the Outlook thread; the failure, or
// nothing.
std::optional<OutlookFailure> WriteToOutlook(OutlookWriteMode mode, const AddrContactList& contacts,
                                             const std::u16string& recordPath,
                                             const OutlookFolderChoice& folder,
                                             std::u16string& note, OutlookCallContext& context) {
  HRESULT startStatus = S_OK;
  // Starting Outlook may wait on a profile prompt too.
  if (context.watch && !context.watch->Begin()) {
    return OutlookFailure{OutlookNoAnswerText(context.limits.callMs),
                          RunFailure::ClientUnavailable};
  }
  UniqueComRef<IDispatch> application = CreateOutlookApplication(&startStatus);
  if (context.watch) context.watch->End();
  if (!application) {
    return OutlookFailure{OutlookStartFailureText(static_cast<uint32_t>(startStatus)),
                          OutlookStartFailure(static_cast<uint32_t>(startStatus))};
  }
  OutlookCalls calls(context);
  UniqueComRef<IDispatch> mapi =
      calls.Object(*application, kGetNamespace, MemberKind::Method, {u"MAPI"});
  UniqueComRef<IDispatch> contactsFolder =
      mapi ? calls.Object(*mapi, kGetDefaultFolder, MemberKind::Method, {olFolderContacts})
           : UniqueComRef<IDispatch>();
  ContactPlace place;
  bool written = contactsFolder && FindContactPlace(*mapi, *contactsFolder, folder, calls, place);
  if (written && mode == OutlookWriteMode::ChangesOnly) {
    written = SyncKnownContactsIn(*application, *mapi, place, folder, contacts, recordPath, calls);
  } else if (written) {
    bool erased = false;
    written = ReplaceMarkedContacts(*application, *mapi, place, folder, contacts, calls, erased);
    if (written && !erased) note = kOutlookDeletedItemsNote;
  }
  if (!written) return OutlookFailure{calls.failureText(), calls.failure()};
  return std::nullopt;
}

}  // namespace

bool CServiceOutlookSync::SyncContacts(const AddrContactList& contacts) {
  resultNote_.clear();
  // The Outlook thread gets copies: if Outlook never answers, it outlives
  // this run, its list and this writer.
  auto note = std::make_shared<std::u16string>();
  std::optional<OutlookFailure> failure = RunOnOutlookThread(
      OutlookWaitLimitsInUse(), [mode = mode_, contacts, recordPath = recordPath_, folder = folder_,
                                 note](OutlookCallContext& context) {
        return WriteToOutlook(mode, contacts, recordPath, folder, *note, context);
      });
  lastErrorText_ = failure ? failure->text : u"";
  lastFailure_ = failure ? failure->cause : RunFailure::None;
  if (!failure) resultNote_ = *note;
  return !failure;
}
