#include "app/settings_codec.h"

#include "app/dialog_form.h"
#include "app/password_codec.h"
#include "app/settings_keys.h"
#include "common/utf_convert.h"
#include "sync/request_url.h"
#include "sync/sync_spread.h"

namespace {

using ini::kGeneral;
using ini::kServer;

std::u16string IntText(int32_t value) { return AsciiToUtf16(std::to_string(value)); }

std::u16string ProtectPassword(const std::u16string& password, IPasswordProtection& protection) {
  if (password.empty()) return {};
  // A platform that refuses leaves the password unsaved rather than readable.
  const std::optional<std::string> blob = protection.Protect(Utf16ToUtf8(password));
  return blob ? Base64Encode(*blob) : std::u16string();
}

std::u16string UnprotectPassword(const std::u16string& stored, IPasswordProtection& protection) {
  const std::optional<std::string> secret = protection.Unprotect(Base64DecodeLenient(stored));
  return secret ? Utf8ToUtf16(*secret) : std::u16string();
}

}  // namespace

std::u16string DecodePassword(const std::u16string& stored, IAnsiCodePage& codePage) {
  std::string bytes = Base64DecodeLenient(stored);
  const size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);
  return codePage.ToWide(bytes);
}

SyncSettings LoadSettingsFrom(IProfile& p, IAnsiCodePage& codePage,
                              IPasswordProtection& protection) {
  const SyncSettings d;
  SyncSettings s;
  s.EmailClient = p.ReadInt(kGeneral, ini::kEmailClient, d.EmailClient);
  s.SyncLevel = p.ReadInt(kGeneral, ini::kSyncLevel, d.SyncLevel);
  s.SyncType = p.ReadInt(kGeneral, ini::kSyncType, d.SyncType);
  s.SyncTime = p.ReadInt(kGeneral, ini::kSyncTime, d.SyncTime);
  s.SyncSpread = ClampSyncSpread(p.ReadInt(kGeneral, ini::kSyncSpread, d.SyncSpread));
  s.OutlookFolder = OutlookFolderSetting(p.ReadString(kGeneral, ini::kOutlookFolder, u""));
  s.ServerHost = p.ReadString(kServer, ini::kServerHost, d.ServerHost);
  s.ServerPort = p.ReadInt(kServer, ini::kServerPort, d.ServerPort);
  s.ServerVirtual = p.ReadString(kServer, ini::kServerVirtual, d.ServerVirtual);
  s.Account = p.ReadString(kServer, ini::kAccount, d.Account);
  const std::u16string protectedPassword = p.ReadString(kServer, ini::kProtectedPassword, u"");
  s.Password = protectedPassword.empty()
                   ? DecodePassword(p.ReadString(kServer, ini::kPassword, u""), codePage)
                   : UnprotectPassword(protectedPassword, protection);
  s.SavePassword = p.ReadInt(kServer, ini::kSavePassword, d.SavePassword);
  // Older files have no scheme: they always meant plain HTTP.
  s.ServerScheme = NormalizeScheme(p.ReadString(kServer, ini::kServerScheme, d.ServerScheme));
  return s;
}

bool SaveSettingsTo(const SyncSettings& s, IProfile& p, IPasswordProtection& protection) {
  // A password protected for another user or computer loads as nothing; it
  // is still the user's until they type a new one, so it is left alone.
  const bool keepStoredPassword = s.SavePassword != 0 && s.Password.empty();
  return p.WriteString(kGeneral, ini::kEmailClient, IntText(s.EmailClient)) &&
         p.WriteString(kGeneral, ini::kSyncLevel, IntText(s.SyncLevel)) &&
         p.WriteString(kGeneral, ini::kSyncType, IntText(s.SyncType)) &&
         p.WriteString(kGeneral, ini::kSyncTime, IntText(s.SyncTime)) &&
         p.WriteString(kGeneral, ini::kSyncSpread, IntText(s.SyncSpread)) &&
         p.WriteString(kGeneral, ini::kOutlookFolder, OutlookFolderSetting(s.OutlookFolder)) &&
         p.WriteString(kServer, ini::kServerHost, s.ServerHost) &&
         p.WriteString(kServer, ini::kServerVirtual, s.ServerVirtual) &&
         p.WriteString(kServer, ini::kServerPort, IntText(s.ServerPort)) &&
         p.WriteString(kServer, ini::kAccount, s.Account) &&
         // Older versions find `Password` empty and ask for the password again.
         p.WriteString(kServer, ini::kPassword, u"") &&
         (keepStoredPassword ||
          p.WriteString(
              kServer, ini::kProtectedPassword,
              s.SavePassword != 0 ? ProtectPassword(s.Password, protection) : std::u16string())) &&
         p.WriteString(kServer, ini::kSavePassword, IntText(s.SavePassword)) &&
         p.WriteString(kServer, ini::kServerScheme, NormalizeScheme(s.ServerScheme));
}

bool HoldsSavedPassword(IProfile& p) {
  for (const char16_t* key : {ini::kProtectedPassword, ini::kPassword}) {
    if (!p.ReadString(kServer, key, u"").empty()) return true;
  }
  return false;
}

bool ForgetSavedPassword(IProfile& p) {
  bool forgotten = true;
  for (const char16_t* key : {ini::kProtectedPassword, ini::kPassword}) {
    if (p.ReadString(kServer, key, u"").empty()) continue;
    forgotten = p.WriteString(kServer, key, u"") && forgotten;
  }
  return forgotten;
}

std::u16string LoadLastAutoSync(IProfile& profile, const char16_t* key) {
  return profile.ReadString(kGeneral, key, u"");
}

void SaveLastAutoSync(IProfile& profile, const std::u16string& date, const char16_t* key) {
  // A date that does not stick only brings a catch-up run at the next start.
  (void)profile.WriteString(kGeneral, key, date);
}
