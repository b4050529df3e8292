#include "clients/outlook/service_outlook_sync_win.h"

#include <memory>

#include "clients/outlook/known_contact_sync_win.h"
#include "clients/outlook/marked_contact_creation_win.h"
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
  OutlookCalls cleanup(calls.context());
  UniqueComRef<IDispatch> deletedItems = DefaultFolderItems(mapi, olFolderDeletedItems, cleanup);
  erased = deletedItems && DeleteMarkedItems(*deletedItems, cleanup);
  return true;
}

// The whole session with Outlook, on the Outlook thread; the failure, or
// nothing.
std::optional<OutlookFailure> WriteToOutlook(OutlookWriteMode mode,
                                              const AddrContactList& contacts,
                                              const std::u16string& recordPath,
                                              std::u16string& note, OutlookCallContext& context) {
  HRESULT startStatus = S_OK;
  // Starting Outlook may wait on a profile prompt too.
  if (context.watch && !context.watch->Begin()) {
    return OutlookFailure{OutlookNoAnswerText(context.limits.callMs), RunFailure::ClientUnavailable};
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
  bool written = false;
  if (mapi && mode == OutlookWriteMode::ChangesOnly) {
    UniqueComRef<IDispatch> folder =
        calls.Object(*mapi, kGetDefaultFolder, MemberKind::Method, {olFolderContacts});
    written = folder && SyncKnownContacts(*application, *mapi, *folder, contacts, recordPath, calls);
  } else if (mapi) {
    bool erased = false;
    written = ReplaceMarkedContacts(*application, *mapi, contacts, calls, erased);
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
      OutlookWaitLimitsInUse(),
      [mode = mode_, contacts, recordPath = recordPath_, note](OutlookCallContext& context) {
        return WriteToOutlook(mode, contacts, recordPath, *note, context);
      });
  lastErrorText_ = failure ? failure->text : u"";
  lastFailure_ = failure ? failure->cause : RunFailure::None;
  if (!failure) resultNote_ = *note;
  return !failure;
}
