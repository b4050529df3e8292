#include "app/dialog_form.h"

#include <cstdio>

#include "clients/outlook/contact_folder_record.h"
#include "sync/client_kind.h"
#include "common/text_classes.h"
#include "common/utf_convert.h"
#include "sync/request_url.h"
#include "sync/web_address.h"

std::u16string BuildAddressText(const SyncSettings& s) {
  std::u16string text = NormalizeScheme(s.ServerScheme) + u"://" + s.ServerHost;
  if (s.ServerPort != DefaultPortOfScheme(s.ServerScheme)) {
    text += u":" + AsciiToUtf16(std::to_string(s.ServerPort));
  }
  return text + u"/" + s.ServerVirtual;
}

std::vector<std::u16string> SyncTimeEntries() {
  std::vector<std::u16string> entries;
  for (int m = 0; m <= 1410; m += 30) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d", m / 60, m % 60);
    entries.push_back(AsciiToUtf16(buf));
  }
  return entries;
}

int SyncTimeIndex(int32_t syncTime) {
  if (syncTime < 0 || syncTime > 1410 || syncTime % 30 != 0) return -1;
  return syncTime / 30;
}

std::u16string TrimBlanks(const std::u16string& text) {
  return std::u16string(TrimmedBlanks(text));
}

std::optional<std::u16string> ApplyAddress(const std::u16string& typed, SyncSettings& s) {
  // Only what the settings can hold is accepted: user information, a
  // query or a fragment would be dropped silently.
  const std::optional<WebAddress> address = SplitWebAddress(TrimBlanks(typed));
  if (!address || address->userInfo || address->query || address->fragment) {
    return kAddressInvalidText;
  }
  if (address->port < 1 || address->port > 65535) return kPortInvalidText;
  // The run adds "/addresssync.asp" itself.
  std::u16string_view virtualDir = address->path;
  while (!virtualDir.empty() && virtualDir.front() == u'/') virtualDir.remove_prefix(1);
  while (!virtualDir.empty() && virtualDir.back() == u'/') virtualDir.remove_suffix(1);
  s.ServerScheme = address->https ? u"https" : u"http";
  s.ServerHost = address->host;
  s.ServerVirtual = std::u16string(virtualDir);
  s.ServerPort = address->port;
  return std::nullopt;
}

bool IsWritableClient(int32_t kind) {
  const WriterType writer = WriterForClientKind(kind);
  return writer != WriterType::None && writer != WriterType::RefusedFoxmail56;
}

bool IsOutlookClient(int32_t kind) {
  const WriterType writer = WriterForClientKind(kind);
  return writer == WriterType::Outlook || writer == WriterType::OutlookChangesOnly;
}

std::u16string OutlookFolderSetting(const std::u16string& name) {
  const std::u16string trimmed = TrimBlanks(name);
  return IsContactFolderName(trimmed) ? trimmed : std::u16string();
}

bool SettingsComplete(const SyncSettings& s) {
  return !TrimBlanks(s.Account).empty() && s.SavePassword != 0 && !s.Password.empty() &&
         IsWritableClient(s.EmailClient);
}

SaveCheck CheckSave(const DialogInput& in, const SyncSettings& current) {
  SaveCheck check;
  const std::u16string account = TrimBlanks(in.account);
  if (account.empty()) {
    check.refusal = kAccountEmptyText;
    return check;
  }
  const std::u16string password = TrimBlanks(in.password);
  if (password.empty()) {
    check.refusal = kPasswordEmptyText;
    return check;
  }
  SyncSettings s = current;
  if (auto refusal = ApplyAddress(in.address, s)) {
    check.refusal = std::move(refusal);
    return check;
  }
  if (IsOutlookClient(in.clientChoice)) {
    const std::u16string folder = TrimBlanks(in.outlookFolder);
    if (in.ownOutlookFolder && !IsContactFolderName(folder)) {
      check.refusal = kOutlookFolderInvalidText;
      return check;
    }
    s.OutlookFolder = in.ownOutlookFolder ? folder : std::u16string();
  }
  s.EmailClient = in.clientChoice;
  s.SyncLevel = in.levelIndex;
  s.SyncType = in.typeIndex;
  s.SyncTime = in.timeIndex * 30;
  s.Account = account;
  s.Password = password;
  s.SavePassword = in.savePassword ? 1 : 0;
  check.settings = s;
  return check;
}
