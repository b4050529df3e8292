#include "clients/outlook/service_outlook_sync_win.h"

#include "clients/outlook/busy_message_filter_win.h"
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

bool CreateMarkedContacts(IDispatch& application, const AddrContactList& contacts,
                          OutlookCalls& calls) {
  for (const AddrContact& contact : contacts) {
    UniqueComRef<IDispatch> item =
        calls.Object(application, kCreateItem, MemberKind::Method, {olContactItem});
    if (!item) return false;
    if (!calls.Call(*item, kFullName, MemberKind::PropertyPut, {contact.Name}) ||
        !calls.Call(*item, kEmail1Address, MemberKind::PropertyPut, {contact.EMail}) ||
        !calls.Call(*item, kNickName, MemberKind::PropertyPut, {kMarker}) ||
        !calls.Call(*item, kSave, MemberKind::Method, {})) {
      return false;
    }
  }
  return true;
}

bool ReplaceMarkedContacts(IDispatch& application, const AddrContactList& contacts,
                           OutlookCalls& calls) {
  UniqueComRef<IDispatch> mapi =
      calls.Object(application, kGetNamespace, MemberKind::Method, {u"MAPI"});
  if (!mapi) return false;
  UniqueComRef<IDispatch> contactItems = DefaultFolderItems(*mapi, olFolderContacts, calls);
  if (!contactItems || !DeleteMarkedItems(*contactItems, calls) ||
      !CreateMarkedContacts(application, contacts, calls)) {
    return false;
  }
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
    return false;
  }
  OutlookCalls calls;
  if (!ReplaceMarkedContacts(*application, contacts, calls)) {
    lastErrorText_ = calls.failureText();
    return false;
  }
  return true;
}
