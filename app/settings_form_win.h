#pragma once
// The configuration dialog's controls: filled from the user's own
// settings, read back as typed, and showing what the administrator's
// policy decides.

#include <windows.h>

#include <array>

#include "app/client_availability.h"
#include "app/dialog_form.h"
#include "app/policy_values.h"
#include "sync/sync_settings.h"

class SettingsForm {
 public:
  // Fills the controls of `dialog`, offering only the installed clients;
  // a stored kind that is unknown or not installed selects no button.
  void Fill(HWND dialog, const SyncSettings& own, const ClientAvailability& available);
  DialogInput Read() const;
  // Shows each setting `policy` manages greyed with its value; one no
  // longer managed gets the user's own value back. Controls of settings
  // never managed keep what the user may have typed.
  void ShowPolicy(const Policy& policy, const SyncSettings& own);
  const Policy& policy() const { return policy_; }
  // The time list is offered for automatic sync that no policy decides.
  void UpdateTimeList();
  // The folder box is shown while an Outlook is chosen; its name is
  // offered while the box is checked; neither while a policy decides.
  void UpdateOutlookFolder();
  void SelectManualSync();
  // "测试连接" while no test is going, greyed while one is.
  void ShowTestGoing(bool going);

 private:
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }
  void CheckClient(int32_t kind);
  void ShowOutlookFolder(const std::u16string& folder);

  HWND dialog_ = nullptr;
  std::array<bool, ClientAvailability::kKinds> available_{};
  Policy policy_;  // as the controls show it
};
