#pragma once
// The writer for Outlook: through Outlook's automation object it brings the
// contacts of the default contacts folder that carry the marker nickname in
// line with the company list. The marked contacts that this moved into
// Deleted Items are erased there. Contacts without the marker, and other
// folders, are never touched.

#include <string>

#include "sync/addr_book_sync.h"

enum class OutlookWriteMode {
  // Outlook 2003, 2007, 2010: every marked contact is deleted and one
  // marked contact per company contact created anew.
  ReplaceAll,
  // Outlook 2013+: only the difference is written; contacts that are
  // already there are not touched (see UpdateMarkedContacts).
  ChangesOnly,
};

class CServiceOutlookSync final : public IAddrBookSync {
 public:
  explicit CServiceOutlookSync(OutlookWriteMode mode = OutlookWriteMode::ReplaceAll)
      : mode_(mode) {}

  // Talks to Outlook from a thread of its own (OutlookWaitLimits). False
  // when Outlook cannot be started ("无法启动Outlook：" and the status) or a
  // call into it fails ("Outlook调用失败：..."), also when a call does not
  // return within a minute, when Outlook turns calls away as busy for two
  // minutes in all, and when the search for marked contacts does not end;
  // what was deleted or saved before the failure stays so.
  bool SyncContacts(const AddrContactList& contacts) override;
  std::u16string GetLastErrorText() const override { return lastErrorText_; }
  RunFailure GetLastFailure() const override { return lastFailure_; }

 private:
  const OutlookWriteMode mode_;
  std::u16string lastErrorText_;
  RunFailure lastFailure_ = RunFailure::WriterFailed;
};
