#include "app/settings_form_win.h"

#include <utility>

#include "common/win/wide_text_win.h"
#include "resources/resource.h"

namespace {

constexpr char16_t kTestButtonText[] = u"测试连接";
constexpr char16_t kTestGoingText[] = u"正在测试…";

// The radio buttons' ids follow the client kinds.
int RadioId(int kind) { return IDC_CLIENT_OUTLOOK_EXPRESS + kind; }

std::u16string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  const int got = GetWindowTextW(hwnd, AsWideBuffer(text), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

bool IsChecked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Check(HWND button, bool checked) {
  SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void FillList(HWND list, const std::vector<std::u16string>& entries, int selected) {
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const auto& e : entries)
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AsWide(e)));
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int Selection(HWND list) { return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0)); }

int IndexIfBinary(int32_t value) { return value == 0 || value == 1 ? value : -1; }

}  // namespace

void SettingsForm::Fill(HWND dialog, const SyncSettings& own, const ClientAvailability& available) {
  dialog_ = dialog;
  for (int kind = 0; kind < ClientAvailability::kKinds; ++kind) {
    available_[static_cast<size_t>(kind)] = available.IsAvailable(kind);
    EnableWindow(Item(RadioId(kind)), available.IsAvailable(kind));
  }
  CheckClient(available.IsAvailable(own.EmailClient) ? own.EmailClient : -1);
  FillList(Item(IDC_SYNC_LEVEL), {u"全部地址", u"本人所属部门地址"}, IndexIfBinary(own.SyncLevel));
  FillList(Item(IDC_SYNC_TYPE), {u"自动同步", u"手动同步"}, IndexIfBinary(own.SyncType));
  FillList(Item(IDC_SYNC_TIME), SyncTimeEntries(), SyncTimeIndex(own.SyncTime));
  UpdateTimeList();
  SetWindowTextW(Item(IDC_WEBMAIL_ADDRESS), AsWide(BuildAddressText(own)));
  SetWindowTextW(Item(IDC_ACCOUNT), AsWide(own.Account));
  SetWindowTextW(Item(IDC_PASSWORD), AsWide(own.Password));
  Check(Item(IDC_SAVE_PASSWORD), own.SavePassword != 0);
  ShowOutlookFolder(own.OutlookFolder);
}

void SettingsForm::ShowOutlookFolder(const std::u16string& folder) {
  Check(Item(IDC_OUTLOOK_OWN_FOLDER), !folder.empty());
  SetWindowTextW(Item(IDC_OUTLOOK_FOLDER_NAME),
                 AsWide(folder.empty() ? std::u16string(kDefaultOutlookFolder) : folder));
  UpdateOutlookFolder();
}

void SettingsForm::UpdateOutlookFolder() {
  int32_t chosen = -1;
  for (int kind = 0; kind < ClientAvailability::kKinds; ++kind) {
    if (IsChecked(Item(RadioId(kind)))) chosen = kind;
  }
  const int show = IsOutlookClient(chosen) ? SW_SHOW : SW_HIDE;
  const bool managed = policy_.Manages(PolicySetting::OutlookFolder);
  ShowWindow(Item(IDC_OUTLOOK_OWN_FOLDER), show);
  ShowWindow(Item(IDC_OUTLOOK_FOLDER_NAME), show);
  EnableWindow(Item(IDC_OUTLOOK_OWN_FOLDER), !managed);
  EnableWindow(Item(IDC_OUTLOOK_FOLDER_NAME), !managed && IsChecked(Item(IDC_OUTLOOK_OWN_FOLDER)));
}

void SettingsForm::CheckClient(int32_t kind) {
  for (int k = 0; k < ClientAvailability::kKinds; ++k) Check(Item(RadioId(k)), k == kind);
}

DialogInput SettingsForm::Read() const {
  DialogInput input;
  for (int kind = 0; kind < ClientAvailability::kKinds; ++kind) {
    if (IsChecked(Item(RadioId(kind)))) input.clientChoice = kind;
  }
  input.address = WindowText(Item(IDC_WEBMAIL_ADDRESS));
  input.levelIndex = Selection(Item(IDC_SYNC_LEVEL));
  input.typeIndex = Selection(Item(IDC_SYNC_TYPE));
  input.timeIndex = Selection(Item(IDC_SYNC_TIME));
  input.account = WindowText(Item(IDC_ACCOUNT));
  input.password = WindowText(Item(IDC_PASSWORD));
  input.savePassword = IsChecked(Item(IDC_SAVE_PASSWORD));
  input.ownOutlookFolder = IsChecked(Item(IDC_OUTLOOK_OWN_FOLDER));
  input.outlookFolder = WindowText(Item(IDC_OUTLOOK_FOLDER_NAME));
  return input;
}

void SettingsForm::ShowPolicy(const Policy& policy, const SyncSettings& own) {
  const Policy was = std::exchange(policy_, policy);
  const SyncSettings shown = policy_.Apply(own);
  const auto touch = [&](PolicySetting setting) {
    return policy_.Manages(setting) || was.Manages(setting);
  };
  if (touch(PolicySetting::EmailClient)) {
    const bool managed = policy_.Manages(PolicySetting::EmailClient);
    const bool ownAvailable = own.EmailClient >= 0 &&
                              own.EmailClient < ClientAvailability::kKinds &&
                              available_[static_cast<size_t>(own.EmailClient)];
    CheckClient(managed || ownAvailable ? shown.EmailClient : -1);
    for (int kind = 0; kind < ClientAvailability::kKinds; ++kind) {
      EnableWindow(Item(RadioId(kind)), !managed && available_[static_cast<size_t>(kind)]);
    }
  }
  if (touch(PolicySetting::WebmailAddress)) {
    SetWindowTextW(Item(IDC_WEBMAIL_ADDRESS), AsWide(BuildAddressText(shown)));
    EnableWindow(Item(IDC_WEBMAIL_ADDRESS), !policy_.Manages(PolicySetting::WebmailAddress));
  }
  const struct {
    PolicySetting setting;
    int id;
    int index;
  } lists[] = {{PolicySetting::SyncLevel, IDC_SYNC_LEVEL, shown.SyncLevel},
               {PolicySetting::SyncType, IDC_SYNC_TYPE, shown.SyncType},
               {PolicySetting::SyncTime, IDC_SYNC_TIME, SyncTimeIndex(shown.SyncTime)}};
  for (const auto& list : lists) {
    if (!touch(list.setting)) continue;
    SendMessageW(Item(list.id), CB_SETCURSEL, static_cast<WPARAM>(list.index), 0);
    EnableWindow(Item(list.id), !policy_.Manages(list.setting));
  }
  UpdateTimeList();
  if (touch(PolicySetting::OutlookFolder)) ShowOutlookFolder(shown.OutlookFolder);
  UpdateOutlookFolder();
  if (policy_.ForbidsSavedPassword() || was.ForbidsSavedPassword()) {
    Check(Item(IDC_SAVE_PASSWORD), !policy_.ForbidsSavedPassword() && own.SavePassword != 0);
    EnableWindow(Item(IDC_SAVE_PASSWORD), !policy_.ForbidsSavedPassword());
  }
  ShowWindow(Item(IDC_POLICY_NOTE), policy_.ManagesAny() ? SW_SHOW : SW_HIDE);
}

void SettingsForm::UpdateTimeList() {
  EnableWindow(Item(IDC_SYNC_TIME),
               Selection(Item(IDC_SYNC_TYPE)) == 0 && !policy_.Manages(PolicySetting::SyncTime));
}

void SettingsForm::SelectManualSync() {
  SendMessageW(Item(IDC_SYNC_TYPE), CB_SETCURSEL, 1, 0);
  UpdateTimeList();
}

void SettingsForm::ShowTestGoing(bool going) {
  HWND button = Item(IDC_TEST_CONNECTION);
  // A disabled control that keeps the focus leaves the keyboard nowhere.
  if (going && GetFocus() == button) SendMessageW(dialog_, WM_NEXTDLGCTL, 0, FALSE);
  SetWindowTextW(button, AsWide(going ? kTestGoingText : kTestButtonText));
  EnableWindow(button, !going);
}
