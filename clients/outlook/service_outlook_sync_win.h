#pragma once
// The writer for Outlook: through Outlook's automation object it brings the
// contacts of the default contacts folder (or of a folder of their own
// under it) that carry the marker nickname in line with the company list.
// Contacts without the marker, and other folders, are never touched; when
// the folder setting changed, the marked contacts leave the old place.

#include <string>
#include <utility>

#include "clients/outlook/contact_folder_record.h"
#include "sync/addr_book_sync.h"

enum class OutlookWriteMode {
  // Outlook 2003, 2007, 2010: every marked contact is deleted and one
  // marked contact per company contact created anew; the marked contacts
  // this moved into Deleted Items are erased there.
  ReplaceAll,
  // Outlook 2013+: one item per person, changed only where the company
  // changed (see SyncKnownContacts); nothing is erased from Deleted Items.
  ChangesOnly,
};

class CServiceOutlookSync final : public IAddrBookSync {
 public:
  // `recordPath`: where Outlook 2013+ keeps the record of what it wrote;
  // `folder`: the folder of their own, if any (see ContactPlace).
  explicit CServiceOutlookSync(OutlookWriteMode mode = OutlookWriteMode::ReplaceAll,
                               std::u16string recordPath = {}, OutlookFolderChoice folder = {})
      : mode_(mode), recordPath_(std::move(recordPath)), folder_(std::move(folder)) {}

  // Talks to Outlook from a thread of its own (OutlookWaitLimits). False
  // when Outlook cannot be started ("无法启动Outlook：" and the status) or a
  // call into it fails ("Outlook调用失败：..."), also when a call does not
  // return within a minute, when Outlook turns calls away as busy for two
  // minutes in all, and when the search for marked contacts does not end;
  // what was deleted or saved before the failure stays so. Outlook
  // 2003-2010 succeed when every contact was written, also when Deleted
  // Items could not be cleaned (GetResultNote says so).
  [[nodiscard]] bool SyncContacts(const AddrContactList& contacts) override;
  std::u16string GetLastErrorText() const override { return lastErrorText_; }
  RunFailure GetLastFailure() const override { return lastFailure_; }
  std::u16string GetResultNote() const override { return resultNote_; }

 private:
  const OutlookWriteMode mode_;
  const std::u16string recordPath_;
  const OutlookFolderChoice folder_;
  std::u16string lastErrorText_;
  RunFailure lastFailure_ = RunFailure::WriterFailed;
  std::u16string resultNote_;
};
