#include "app/settings_codec.h"

#include "app/password_codec.h"
#include "common/utf_convert.h"
#include "sync/request_url.h"

namespace {

const std::u16string kGeneral = u"General";
const std::u16string kServer = u"Server";

std::u16string IntText(int32_t value) { return AsciiToUtf16(std::to_string(value)); }

}  // namespace

std::u16string EncodePassword(const std::u16string& password, IAnsiCodePage& codePage) {
  return Base64Encode(codePage.FromWide(password));
}

std::u16string DecodePassword(const std::u16string& stored, IAnsiCodePage& codePage) {
  std::string bytes = Base64DecodeLenient(stored);
  const size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);
  return codePage.ToWide(bytes);
}

SyncSettings LoadSettingsFrom(IProfile& p, IAnsiCodePage& codePage) {
  const SyncSettings d;
  SyncSettings s;
  s.EmailClient = p.ReadInt(kGeneral, u"EmailClient", d.EmailClient);
  s.SyncLevel = p.ReadInt(kGeneral, u"SyncLevel", d.SyncLevel);
  s.SyncType = p.ReadInt(kGeneral, u"SyncType", d.SyncType);
  s.SyncTime = p.ReadInt(kGeneral, u"SyncTime", d.SyncTime);
  s.ServerHost = p.ReadString(kServer, u"ServerHost", d.ServerHost);
  s.ServerPort = p.ReadInt(kServer, u"ServerPort", d.ServerPort);
  s.ServerVirtual = p.ReadString(kServer, u"ServerVirtual", d.ServerVirtual);
  s.Account = p.ReadString(kServer, u"Account", d.Account);
  s.Password = DecodePassword(p.ReadString(kServer, u"Password", u""), codePage);
  s.SavePassword = p.ReadInt(kServer, u"SavePassword", d.SavePassword);
  // Older files have no scheme: they always meant plain HTTP.
  s.ServerScheme = NormalizeScheme(p.ReadString(kServer, u"ServerScheme", d.ServerScheme));
  return s;
}

void SaveSettingsTo(const SyncSettings& s, IProfile& p, IAnsiCodePage& codePage) {
  p.WriteString(kGeneral, u"EmailClient", IntText(s.EmailClient));
  p.WriteString(kGeneral, u"SyncLevel", IntText(s.SyncLevel));
  p.WriteString(kGeneral, u"SyncType", IntText(s.SyncType));
  p.WriteString(kGeneral, u"SyncTime", IntText(s.SyncTime));
  p.WriteString(kServer, u"ServerHost", s.ServerHost);
  p.WriteString(kServer, u"ServerVirtual", s.ServerVirtual);
  p.WriteString(kServer, u"ServerPort", IntText(s.ServerPort));
  p.WriteString(kServer, u"Account", s.Account);
  p.WriteString(kServer, u"Password", s.SavePassword != 0 ? EncodePassword(s.Password, codePage)
                                                            : std::u16string());
  p.WriteString(kServer, u"SavePassword", IntText(s.SavePassword));
  p.WriteString(kServer, u"ServerScheme", NormalizeScheme(s.ServerScheme));
}

std::u16string LoadLastAutoSync(IProfile& profile) {
  return profile.ReadString(kGeneral, u"LastAutoSync", u"");
}

void SaveLastAutoSync(IProfile& profile, const std::u16string& date) {
  profile.WriteString(kGeneral, u"LastAutoSync", date);
}
