#pragma once
// What every mail-client writer offers the sync run.

#include <string>

#include "sync/addr_contact.h"

class IAddrBookSync {
 public:
  virtual ~IAddrBookSync() = default;
  // Replaces the company contacts in the client's address book with
  // `contacts`. False on failure; GetLastErrorText then says why (it may
  // be empty).
  virtual bool SyncContacts(const AddrContactList& contacts) = 0;
  virtual std::u16string GetLastErrorText() const = 0;
};
