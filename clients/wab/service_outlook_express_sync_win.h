#pragma once
// The writer for Outlook Express: the Windows Address Book's personal
// container. It deletes the entries whose nickname is the marker and
// creates one marked entry per company contact; entries without the
// marker are never changed, even when they hold the same name or address.

#include <string>

#include "sync/addr_book_sync.h"

inline constexpr char16_t kWabOpenFailedText[] = u"无法打开Windows通讯簿";

class CServiceOutlookExpressSync final : public IAddrBookSync {
 public:
  // False with "无法打开Windows通讯簿" when the address book cannot be
  // opened; nothing is changed then. Entries that cannot be opened, deleted
  // or created are left as they are.
  bool SyncContacts(const AddrContactList& contacts) override;
  std::u16string GetLastErrorText() const override { return lastErrorText_; }

 private:
  std::u16string lastErrorText_;
};
