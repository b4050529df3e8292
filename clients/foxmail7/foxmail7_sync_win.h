#pragma once
// The writer for Foxmail 7.x: gives Foxmail 7 a fresh address folder that
// holds exactly the company contacts.

#include "sync/addr_book_sync.h"

class CServiceFoxmail7Sync final : public IAddrBookSync {
 public:
  // False, with a text, when Foxmail 7 is not installed or is running, or
  // when its folder cannot be replaced; the previous folder then stays.
  [[nodiscard]] bool SyncContacts(const AddrContactList& contacts) override;
  std::u16string GetLastErrorText() const override { return lastErrorText_; }
  RunFailure GetLastFailure() const override { return lastFailure_; }

 private:
  std::u16string lastErrorText_;
  RunFailure lastFailure_ = RunFailure::WriterFailed;
};
