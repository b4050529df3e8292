#include "clients/outlook/service_outlook_sync_win.h"

#include "clients/outlook/marked_contact_creation_win.h"
#include "clients/outlook/marked_contact_update_win.h"
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

bool WriteMarkedContacts(IDispatch& application, OutlookWriteMode mode,
                         const AddrContactList& contacts, OutlookCalls& calls) {
  UniqueComRef<IDispatch> mapi =
      calls.Object(application, kGetNamespace, MemberKind::Method, {u"MAPI"});
  if (!mapi) return false;
  UniqueComRef<IDispatch> contactItems = DefaultFolderItems(*mapi, olFolderContacts, calls);
  if (!contactItems) return false;
  const bool written = mode == OutlookWriteMode::ChangesOnly
                           ? UpdateMarkedContacts(application, *contactItems, contacts, calls)
                           : DeleteMarkedItems(*contactItems, calls) &&
                                 CreateMarkedContacts(application, contacts, calls);
  if (!written) return false;
  // Outlook's Delete only moves an item into Deleted Items, where it
  // would pile up run after run until the mailbox is full; Delete there
  // erases it. Done last, so a Deleted Items folder that cannot be reached
  // never costs the user the company contacts.
  UniqueComRef<IDispatch> deletedItems = DefaultFolderItems(*mapi, olFolderDeletedItems, calls);
  return deletedItems && DeleteMarkedItems(*deletedItems, calls);
}

// The whole session with Outlook, on the Outlook thread; the failure, or
// nothing.
std::optional<OutlookFailure> WriteToOutlook(OutlookWriteMode mode,
                                              const AddrContactList& contacts,
                                              OutlookCallContext& context) {
  HRESULT startStatus = S_OK;
  // Starting Outlook may wait on a profile prompt too.
  if (context.watch) context.watch->Begin();
  UniqueComRef<IDispatch> application = CreateOutlookApplication(&startStatus);
  if (context.watch) context.watch->End();
  if (!application) {
    return OutlookFailure{OutlookStartFailureText(static_cast<uint32_t>(startStatus)),
                          OutlookStartFailure(static_cast<uint32_t>(startStatus))};
  }
  OutlookCalls calls(context);
  if (!WriteMarkedContacts(*application, mode, contacts, calls)) {
    return OutlookFailure{calls.failureText(), calls.failure()};
  }
  return std::nullopt;
}

}  // namespace

bool CServiceOutlookSync::SyncContacts(const AddrContactList& contacts) {
  // The Outlook thread gets a copy: if Outlook never answers, it outlives
  // this run and its list.
  std::optional<OutlookFailure> failure = RunOnOutlookThread(
      OutlookWaitLimitsInUse(),
      [mode = mode_, contacts](OutlookCallContext& context) {
        return WriteToOutlook(mode, contacts, context);
      });
  lastErrorText_ = failure ? failure->text : u"";
  lastFailure_ = failure ? failure->cause : RunFailure::None;
  return !failure;
}
