#include "app/presets.h"

#include "app/settings_keys.h"
#include "common/utf_convert.h"
#include "sync/request_url.h"

namespace {

using ini::kGeneral;
using ini::kServer;

std::u16string IntText(int value) { return AsciiToUtf16(std::to_string(value)); }

// Plain decimal digits, at most six of them.
std::optional<int> SmallNumber(const std::u16string& text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  int value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  return value;
}

std::optional<int> NumberIn(const std::u16string& text, int low, int high) {
  const auto value = SmallNumber(text);
  if (!value || *value < low || *value > high) return std::nullopt;
  return value;
}

// "H:MM" or "HH:MM" on the hour or half hour, as minutes of the day.
std::optional<int> HalfHour(const std::u16string& text) {
  const size_t colon = text.find(u':');
  if (colon == std::u16string::npos || colon == 0 || colon > 2) return std::nullopt;
  const std::u16string minutesText = text.substr(colon + 1);
  if (minutesText.size() != 2) return std::nullopt;
  const auto hours = NumberIn(text.substr(0, colon), 0, 23);
  const auto minutes = SmallNumber(minutesText);
  if (!hours || !minutes || (*minutes != 0 && *minutes != 30)) return std::nullopt;
  return *hours * 60 + *minutes;
}

std::u16string Refusal(const char16_t* name, const std::u16string& value,
                       const std::u16string& reason) {
  return u"预设 " + std::u16string(name) + u"=" + value + u" 无效：" + reason;
}

PresetSetting One(const std::u16string& section, const char16_t* key, std::u16string value) {
  return {section, {{key, std::move(value)}}};
}

}  // namespace

PresetCheck CheckPresets(const Presets& in) {
  PresetCheck check;
  auto refuse = [&](const char16_t* name, const std::u16string& value,
                    const std::u16string& reason) {
    check.refusal = Refusal(name, value, reason);
    check.settings.clear();
    return check;
  };

  const std::u16string webmail = TrimBlanks(in.webmail);
  std::optional<PresetSetting> address;
  if (!webmail.empty()) {
    SyncSettings s;
    if (auto refusal = ApplyAddress(webmail, s)) {
      return refuse(u"WEBMAIL", webmail, *refusal);
    }
    address = PresetSetting{kServer,
                            {{ini::kServerHost, s.ServerHost},
                             {ini::kServerVirtual, s.ServerVirtual},
                             {ini::kServerPort, IntText(s.ServerPort)},
                             {ini::kServerScheme, NormalizeScheme(s.ServerScheme)}}};
  }

  using Parse = std::optional<int> (*)(const std::u16string&);
  struct Number {
    const char16_t* name;
    const std::u16string& text;
    Parse parse;
    const char16_t* key;
    const char16_t* reason;
  };
  const Number numbers[] = {
      {u"CLIENT", in.client,
       [](const std::u16string& t) {
         const auto kind = SmallNumber(t);
         return kind && IsWritableClient(*kind) ? kind : std::nullopt;
       },
       ini::kEmailClient,
       u"邮件客户端应为 0（Outlook Express）、1、2、3（Outlook 2003/2007/2010）、"
       u"5（Foxmail 7.x）或 6（Outlook 2013+）"},
      {u"SYNCLEVEL", in.syncLevel, [](const std::u16string& t) { return NumberIn(t, 0, 1); },
       ini::kSyncLevel, u"同步级别应为 0（全部地址）或 1（本人所属部门地址）"},
      {u"SYNCTYPE", in.syncType, [](const std::u16string& t) { return NumberIn(t, 0, 1); },
       ini::kSyncType, u"同步类型应为 0（自动同步）或 1（手动同步）"},
      {u"SYNCTIME", in.syncTime, HalfHour, ini::kSyncTime,
       u"同步时间应为整点或半点，形如 09:00 或 09:30"},
      {u"SPREAD", in.spread, [](const std::u16string& t) { return NumberIn(t, 0, 120); },
       ini::kSyncSpread, u"分散时间应为 0 到 120 之间的分钟数"},
  };
  for (const Number& number : numbers) {
    const std::u16string text = TrimBlanks(number.text);
    if (text.empty()) continue;
    const auto value = number.parse(text);
    if (!value) return refuse(number.name, text, number.reason);
    check.settings.push_back(One(kGeneral, number.key, IntText(*value)));
  }

  const std::u16string folder = TrimBlanks(in.outlookFolder);
  if (!folder.empty()) {
    if (OutlookFolderSetting(folder).empty())
      return refuse(u"OUTLOOKFOLDER", folder, kOutlookFolderInvalidText);
    check.settings.push_back(One(kGeneral, ini::kOutlookFolder, folder));
  }

  if (address) check.settings.push_back(std::move(*address));
  return check;
}

bool ApplyPresets(const std::vector<PresetSetting>& settings, IProfile& profile,
                  PresetTarget target) {
  for (const PresetSetting& setting : settings) {
    if (setting.keys.empty()) continue;
    const auto& first = setting.keys.front().first;
    if (target == PresetTarget::UserFile &&
        !TrimBlanks(profile.ReadString(setting.section, first, u"")).empty()) {
      continue;
    }
    // Read back below: a refused write shows there.
    for (const auto& [key, value] : setting.keys)
      (void)profile.WriteString(setting.section, key, value);
    if (profile.ReadString(setting.section, first, u"") != setting.keys.front().second)
      return false;
  }
  return true;
}

Presets KeepMachinePresets(Presets given, IProfile& defaults) {
  auto missing = [](const std::u16string& text) { return TrimBlanks(text).empty(); };
  const std::u16string host = defaults.ReadString(kServer, ini::kServerHost, u"");
  if (missing(given.webmail) && !host.empty()) {
    SyncSettings s;
    s.ServerHost = host;
    s.ServerVirtual = defaults.ReadString(kServer, ini::kServerVirtual, u"");
    s.ServerScheme = defaults.ReadString(kServer, ini::kServerScheme, u"http");
    s.ServerPort = defaults.ReadInt(kServer, ini::kServerPort, DefaultPortOfScheme(s.ServerScheme));
    given.webmail = BuildAddressText(s);
  }
  const std::pair<std::u16string*, const char16_t*> numbers[] = {
      {&given.client, ini::kEmailClient},
      {&given.syncLevel, ini::kSyncLevel},
      {&given.syncType, ini::kSyncType},
      {&given.spread, ini::kSyncSpread},
      {&given.outlookFolder, ini::kOutlookFolder}};
  for (const auto& [field, key] : numbers) {
    if (missing(*field)) *field = defaults.ReadString(kGeneral, key, u"");
  }
  const int32_t minutes = defaults.ReadInt(kGeneral, ini::kSyncTime, -1);
  if (missing(given.syncTime) && minutes >= 0) {
    const int hours = minutes / 60;
    given.syncTime = IntText(hours) + (minutes % 60 < 10 ? u":0" : u":") + IntText(minutes % 60);
  }
  return given;
}

namespace {

void AppendEscaped(std::u16string& out, const std::u16string& field) {
  for (char16_t c : field) {
    if (c == u'\\') {
      out += u"\\\\";
    } else if (c == u'\n') {
      out += u"\\n";
    } else {
      out += c;
    }
  }
}

}  // namespace

std::u16string EncodePresetData(const std::u16string& iniPath, const Presets& p) {
  std::u16string out;
  bool first = true;
  for (const std::u16string* field : {&iniPath, &p.webmail, &p.client, &p.syncLevel, &p.syncType,
                                      &p.syncTime, &p.spread, &p.outlookFolder}) {
    if (!first) out += u'\n';
    first = false;
    AppendEscaped(out, *field);
  }
  return out;
}

bool DecodePresetData(const std::u16string& data, std::u16string& iniPath, Presets& p) {
  std::vector<std::u16string> fields(1);
  for (size_t i = 0; i < data.size(); ++i) {
    const char16_t c = data[i];
    if (c == u'\n') {
      fields.emplace_back();
    } else if (c != u'\\') {
      fields.back() += c;
    } else if (i + 1 < data.size() && (data[i + 1] == u'\\' || data[i + 1] == u'n')) {
      fields.back() += data[++i] == u'n' ? u'\n' : u'\\';
    } else {
      return false;
    }
  }
  if (fields.size() != 8) return false;
  iniPath = fields[0];
  p = Presets{fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]};
  return true;
}
