#pragma once
// A mutex of one Windows user, shared by all that user's processes across
// sessions and elevation (a scheduled "/sync" with highest privileges
// included), which only this user and SYSTEM may open: `name` in a private
// namespace bounded by the user's SID, so no other user can make it first.
// Where private namespaces are missing (Wine),
// "Global\TarnwellAddrBookSync.<name>.<the user's SID>", refused when
// someone other than the user or SYSTEM made it.

#include <windows.h>

#include <string>

#include "common/win/scoped_handles.h"

class UserMutex {
 public:
  explicit UserMutex(std::u16string name) : name_(std::move(name)) {}
  // Makes or opens it; false when neither can be done (or it is refused).
  [[nodiscard]] bool Open();
  HANDLE get() const { return mutex_.get(); }

 private:
  std::u16string name_;
  UniqueBoundaryDescriptor boundary_;
  UniquePrivateNamespace namespace_;  // before the mutex made in it
  UniqueHandle mutex_;
};
