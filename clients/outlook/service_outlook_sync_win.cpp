#include "clients/outlook/service_outlook_sync_win.h"

#include "clients/outlook/busy_message_filter_win.h"
#include "clients/outlook/known_contact_sync_win.h"
#include "clients/outlook/marked_contact_creation_win.h"
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

// Outlook 2003-2010. False when a contact could not be written; `erased`
// says whether the marked items moved into Deleted Items were erased there.
bool ReplaceMarkedContacts(IDispatch& application, IDispatch& mapi,
                           const AddrContactList& contacts, OutlookCalls& calls, bool& erased) {
  UniqueComRef<IDispatch> contactItems = DefaultFolderItems(mapi, olFolderContacts, calls);
  if (!contactItems || !DeleteMarkedItems(*contactItems, calls) ||
      !CreateMarkedContacts(application, contacts, calls)) {
    return false;
  }
  // Outlook's Delete only moves an item into Deleted Items, where a whole
  // company a day would pile up until the mailbox is full; Delete there
  // erases it. Done last, so a Deleted Items folder that cannot be reached
  // never costs the user the company contacts, nor fails their run.
  OutlookCalls cleanup;
  UniqueComRef<IDispatch> deletedItems = DefaultFolderItems(mapi, olFolderDeletedItems, cleanup);
  erased = deletedItems && DeleteMarkedItems(*deletedItems, cleanup);
  return true;
}

}  // namespace

bool CServiceOutlookSync::SyncContacts(const AddrContactList& contacts) {
  lastErrorText_.clear();
  resultNote_.clear();
  ScopedBusyMessageFilter busyFilter;
  HRESULT startStatus = S_OK;
  UniqueComRef<IDispatch> application = CreateOutlookApplication(&startStatus);
  if (!application) {
    lastErrorText_ = OutlookStartFailureText(static_cast<uint32_t>(startStatus));
    return false;
  }
  OutlookCalls calls;
  UniqueComRef<IDispatch> mapi =
      calls.Object(*application, kGetNamespace, MemberKind::Method, {u"MAPI"});
  bool written = false;
  if (mapi && mode_ == OutlookWriteMode::ChangesOnly) {
    UniqueComRef<IDispatch> folder =
        calls.Object(*mapi, kGetDefaultFolder, MemberKind::Method, {olFolderContacts});
    written = folder &&
              SyncKnownContacts(*application, *mapi, *folder, contacts, recordPath_, calls);
  } else if (mapi) {
    bool erased = false;
    written = ReplaceMarkedContacts(*application, *mapi, contacts, calls, erased);
    if (written && !erased) resultNote_ = kOutlookDeletedItemsNote;
  }
  if (!written) lastErrorText_ = calls.failureText();
  return written;
}
