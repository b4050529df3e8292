#pragma once
// The writer for Outlook 2003, 2007 and 2010: through Outlook's automation
// object it deletes the contacts of the default contacts folder that carry
// the marker nickname and creates one marked contact per company contact.
// The marked contacts that this moved into Deleted Items are erased there.
// Contacts without the marker, and other folders, are never touched.

#include <string>

#include "sync/addr_book_sync.h"

class CServiceOutlookSync final : public IAddrBookSync {
 public:
  // Needs COM initialised (single-threaded apartment) on the calling
  // thread. False when Outlook cannot be started ("无法启动Outlook：" and
  // the status) or a call into it fails ("Outlook调用失败：..."), also when
  // the search for marked contacts does not end; what was deleted or saved
  // before the failure stays so. Calls that a busy Outlook turns away are
  // offered again for about a minute.
  bool SyncContacts(const AddrContactList& contacts) override;
  std::u16string GetLastErrorText() const override { return lastErrorText_; }

 private:
  std::u16string lastErrorText_;
};
