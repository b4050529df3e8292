#include "clients/foxmail7/foxmail7_sync_win.h"

#include "clients/foxmail7/foxmail7_folder_replacement.h"
#include "clients/foxmail7/foxmail7_platform_win.h"

bool CServiceFoxmail7Sync::SyncContacts(const AddrContactList& contacts) {
  Foxmail7PlatformWin platform;
  Foxmail7ReplaceOutcome outcome = ReplaceFoxmail7Folder(contacts, platform);
  if (!outcome.success) {
    lastErrorText_ = std::move(outcome.errorText);
    lastFailure_ = outcome.failure;
  }
  return outcome.success;
}
