#pragma once
// What every mail-client writer offers the sync run.

#include <cstddef>
#include <optional>
#include <string>

#include "sync/addr_contact.h"
#include "sync/run_failure.h"

class IAddrBookSync {
 public:
  virtual ~IAddrBookSync() = default;
  // Replaces the company contacts in the client's address book with
  // `contacts`. False on failure; GetLastErrorText then says why (it may
  // be empty).
  [[nodiscard]] virtual bool SyncContacts(const AddrContactList& contacts) = 0;
  virtual std::u16string GetLastErrorText() const = 0;
  // After a failed SyncContacts: its cause, which decides whether an
  // automatic run is tried again.
  virtual RunFailure GetLastFailure() const { return RunFailure::WriterFailed; }
  // After a successful SyncContacts, how many contacts the writer actually
  // wrote when that may be fewer than it was given; none means all.
  virtual std::optional<size_t> GetWrittenCount() const { return std::nullopt; }
  // After a successful SyncContacts, what the run's text adds to the usual
  // one (something left undone that did not cost a contact); empty if
  // nothing.
  virtual std::u16string GetResultNote() const { return {}; }
};
