#include "app/settings_codec.h"

#include "app/password_codec.h"
#include "common/utf_convert.h"
#include "sync/request_url.h"
#include "sync/sync_spread.h"

namespace {

const std::u16string kGeneral = u"General";
const std::u16string kServer = u"Server";

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
  s.EmailClient = p.ReadInt(kGeneral, u"EmailClient", d.EmailClient);
  s.SyncLevel = p.ReadInt(kGeneral, u"SyncLevel", d.SyncLevel);
  s.SyncType = p.ReadInt(kGeneral, u"SyncType", d.SyncType);
  s.SyncTime = p.ReadInt(kGeneral, u"SyncTime", d.SyncTime);
  s.SyncSpread = ClampSyncSpread(p.ReadInt(kGeneral, u"SyncSpread", d.SyncSpread));
  s.ServerHost = p.ReadString(kServer, u"ServerHost", d.ServerHost);
  s.ServerPort = p.ReadInt(kServer, u"ServerPort", d.ServerPort);
  s.ServerVirtual = p.ReadString(kServer, u"ServerVirtual", d.ServerVirtual);
  s.Account = p.ReadString(kServer, u"Account", d.Account);
  const std::u16string protectedPassword = p.ReadString(kServer, u"ProtectedPassword", u"");
  s.Password = protectedPassword.empty()
                   ? DecodePassword(p.ReadString(kServer, u"Password", u""), codePage)
                   : UnprotectPassword(protectedPassword, protection);
  s.SavePassword = p.ReadInt(kServer, u"SavePassword", d.SavePassword);
  // Older files have no scheme: they always meant plain HTTP.
  s.ServerScheme = NormalizeScheme(p.ReadString(kServer, u"ServerScheme", d.ServerScheme));
  return s;
}

void SaveSettingsTo(const SyncSettings& s, IProfile& p, IPasswordProtection& protection) {
  p.WriteString(kGeneral, u"EmailClient", IntText(s.EmailClient));
  p.WriteString(kGeneral, u"SyncLevel", IntText(s.SyncLevel));
  p.WriteString(kGeneral, u"SyncType", IntText(s.SyncType));
  p.WriteString(kGeneral, u"SyncTime", IntText(s.SyncTime));
  p.WriteString(kGeneral, u"SyncSpread", IntText(s.SyncSpread));
  p.WriteString(kServer, u"ServerHost", s.ServerHost);
  p.WriteString(kServer, u"ServerVirtual", s.ServerVirtual);
  p.WriteString(kServer, u"ServerPort", IntText(s.ServerPort));
  p.WriteString(kServer, u"Account", s.Account);
  // Older versions find `Password` empty and ask for the password again.
  p.WriteString(kServer, u"Password", u"");
  p.WriteString(kServer, u"ProtectedPassword",
                s.SavePassword != 0 ? ProtectPassword(s.Password, protection) : std::u16string());
  p.WriteString(kServer, u"SavePassword", IntText(s.SavePassword));
  p.WriteString(kServer, u"ServerScheme", NormalizeScheme(s.ServerScheme));
}

std::u16string LoadLastAutoSync(IProfile& profile) {
  return profile.ReadString(kGeneral, u"LastAutoSync", u"");
}

void SaveLastAutoSync(IProfile& profile, const std::u16string& date) {
  profile.WriteString(kGeneral, u"LastAutoSync", date);
}
