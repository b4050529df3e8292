#pragma once
// The configuration dialog's rules, apart from its window: the address
// text shown for the stored server, the list contents, and what a Save
// may store.

#include <optional>
#include <string>
#include <vector>

#include "sync/sync_settings.h"

// "scheme://host[:port]/virtual"; the port only when it is not the
// scheme's default.
std::u16string BuildAddressText(const SyncSettings& settings);

// "00:00", "00:30", ... "23:30": entry i stands for minute i * 30.
std::vector<std::u16string> SyncTimeEntries();
// The entry for a minute of the day, or -1 when no entry matches.
int SyncTimeIndex(int32_t syncTime);

// Everything the user can change, as read from the controls.
struct DialogInput {
  int32_t clientChoice = -1;  // radio group index, -1 for none
  std::u16string address;     // the Webmail address as typed
  int levelIndex = -1;
  int typeIndex = -1;
  int timeIndex = -1;
  std::u16string account;
  std::u16string password;
  bool savePassword = false;
  bool ownOutlookFolder = false;  // "写入单独的联系人文件夹"
  std::u16string outlookFolder;   // the name beside it
};

// The name the folder box offers when the setting has none.
inline constexpr char16_t kDefaultOutlookFolder[] = u"公司通讯录";
inline constexpr char16_t kOutlookFolderInvalidText[] =
    u"联系人文件夹名称无效：不能为空、不能超过64个字符，也不能含有反斜杠";

// Whether the kind writes through Outlook (and so may use a folder of its own).
bool IsOutlookClient(int32_t kind);
// The folder setting as stored and used: trimmed, and empty (the default
// contacts folder) for a name Outlook's folder cannot have.
std::u16string OutlookFolderSetting(const std::u16string& name);

inline constexpr char16_t kAccountEmptyText[] = u"邮箱全称不能为空";
inline constexpr char16_t kPasswordEmptyText[] = u"邮箱密码不能为空";
inline constexpr char16_t kAddressInvalidText[] =
    u"Webmail地址无效，请输入形如 http://mail.example.com/mail 的地址";
inline constexpr char16_t kPortInvalidText[] = u"Webmail地址的端口必须在1到65535之间";
// Followed by the settings file's path.
inline constexpr char16_t kSaveFailedText[] = u"保存设置失败：";

// Stores the server parts of the typed address in `settings` as a Save
// does; the refusal text, with `settings` unchanged, when the address cannot
// be used. The administrator presets go through this rule too.
std::optional<std::u16string> ApplyAddress(const std::u16string& typed, SyncSettings& settings);

// A client kind that a run can write into (Foxmail 5.x/6.x is refused).
bool IsWritableClient(int32_t kind);
// Settings that let the program start hidden in the tray: an account, a
// saved password and a writable client.
bool SettingsComplete(const SyncSettings& settings);

struct SaveCheck {
  std::optional<std::u16string> refusal;  // the message when the Save is refused
  SyncSettings settings;                  // what to store when it is not
};

// Checks everything before anything changes; `current` is the record now.
// Account and password are stored without surrounding white space. The
// folder setting changes only with an Outlook chosen.
SaveCheck CheckSave(const DialogInput& input, const SyncSettings& current);

// White space at both ends removed.
std::u16string TrimBlanks(const std::u16string& text);
