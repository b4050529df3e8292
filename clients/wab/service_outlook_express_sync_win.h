#pragma once
// The writer for Outlook Express: the Windows Address Book's personal
// container. It deletes the entries whose nickname is the marker and
// creates one marked entry per company contact; entries without the
// marker are never changed, even when they hold the same name or address.

#include <cstddef>
#include <optional>
#include <string>

#include "sync/addr_book_sync.h"

inline constexpr char16_t kWabOpenFailedText[] = u"无法打开Windows通讯簿";
inline constexpr char16_t kWabWriteFailedText[] = u"写入Windows通讯簿失败";

class CServiceOutlookExpressSync final : public IAddrBookSync {
 public:
  // False with "无法打开Windows通讯簿" when the address book cannot be
  // opened; nothing is changed then. Entries that cannot be opened, deleted
  // or created are left as they are; when the list had contacts and not
  // one could be saved, false with "写入Windows通讯簿失败".
  [[nodiscard]] bool SyncContacts(const AddrContactList& contacts) override;
  std::u16string GetLastErrorText() const override { return lastErrorText_; }
  // The entries actually saved: some contacts may have been left out.
  std::optional<size_t> GetWrittenCount() const override { return writtenCount_; }

 private:
  std::u16string lastErrorText_;
  size_t writtenCount_ = 0;
};
