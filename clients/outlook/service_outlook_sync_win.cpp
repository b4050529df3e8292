#include "clients/outlook/service_outlook_sync_win.h"

#include "clients/outlook/busy_message_filter_win.h"
#include "clients/outlook/marked_contact_creation_win.h"
#include "clients/outlook/marked_contact_update_win.h"
#include "clients/outlook/marked_item_search_win.h"
#include "clients/outlook/outlook_application_win.h"
#include "clients/outlook/outlook_calls_win.h"
#include "clients/outlook/outlook_failure_text.h"

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

}  // namespace

bool CServiceOutlookSync::SyncContacts(const AddrContactList& contacts) {
  lastErrorText_.clear();
  ScopedBusyMessageFilter busyFilter;
  HRESULT startStatus = S_OK;
  UniqueComRef<IDispatch> application = CreateOutlookApplication(&startStatus);
  if (!application) {
    lastErrorText_ = OutlookStartFailureText(static_cast<uint32_t>(startStatus));
    lastFailure_ = OutlookStartFailure(static_cast<uint32_t>(startStatus));
    return false;
  }
  OutlookCalls calls;
  if (!WriteMarkedContacts(*application, mode_, contacts, calls)) {
    lastErrorText_ = calls.failureText();
    lastFailure_ = calls.failure();
    return false;
  }
  return true;
}
