#include "clients/wab/service_outlook_express_sync_win.h"

#include "clients/company_marker.h"
#include "clients/wab/wab_contact_text.h"
#include "clients/wab/wab_outlook_express_win.h"

namespace {

void DeleteMarkedEntries(CWABOutlookExpress& wab) {
  int32_t position = 0;
  while (wab.IsOpen() && static_cast<uint32_t>(position) < wab.GetEntryCount()) {
    wab.SelectEntry(position);
    // An entry that does not open as a mail user reads as unmarked.
    std::u16string nickname;
    wab.GetPropertyText(PR_NICKNAME_W, nickname, u"");
    // After a delete the next entry has moved into this position; after a
    // failed one the scan must still move on.
    if (nickname == kCompanyContactMarker && wab.DeleteCurrentEntry()) continue;
    ++position;
  }
}

// True when the entry was saved.
bool CreateMarkedEntry(CWABOutlookExpress& wab, const AddrContact& contact) {
  if (!wab.CreateMailUser(WabDisplayText(contact))) return false;
  // A name or address that does not take leaves a marked entry, which the
  // next run replaces.
  if (HasVisibleName(contact)) (void)wab.SetPropertyText(PR_DISPLAY_NAME_W, contact.Name);
  // Saved without its marker, the entry would never be replaced and a copy
  // would be added every run.
  if (!wab.SetPropertyText(PR_NICKNAME_W, kCompanyContactMarker)) return false;
  (void)wab.SetPropertyText(PR_EMAIL_ADDRESS_W, contact.EMail);
  return wab.SaveCurrentEntry();
}

}  // namespace

bool CServiceOutlookExpressSync::SyncContacts(const AddrContactList& contacts) {
  lastErrorText_.clear();
  writtenCount_ = 0;
  CWABOutlookExpress wab;
  if (!wab.OpenAddressBook()) {
    lastErrorText_ = kWabOpenFailedText;
    return false;
  }
  DeleteMarkedEntries(wab);
  for (const AddrContact& contact : contacts) {
    if (CreateMarkedEntry(wab, contact)) ++writtenCount_;
  }
  wab.CloseAddressBook();
  if (writtenCount_ == 0 && !contacts.empty()) {
    lastErrorText_ = kWabWriteFailedText;
    return false;
  }
  return true;
}
