#pragma once
// The one settings record of the process, named after the keys of
// AddrBookSync.ini. Defaults are those of a missing file.

#include <cstdint>
#include <string>

struct SyncSettings {
  int32_t EmailClient = 0;
  std::u16string ServerScheme = u"http";  // "http" or "https"
  std::u16string ServerHost = u"127.0.0.1";
  int32_t ServerPort = 80;
  std::u16string ServerVirtual = u"mail";
  std::u16string Account;
  std::u16string Password;  // plain in memory; protected for the user in the file
  int32_t SavePassword = 0;
  int32_t SyncLevel = 0;
  int32_t SyncType = 0;    // 0 automatic daily sync, otherwise manual only
  int32_t SyncTime = 540;  // minute of the day
  int32_t SyncSpread = 0;  // minutes after SyncTime over which desktops spread their start
  // The Outlook contacts folder of the company's own, under the default
  // one; empty: the default contacts folder itself.
  std::u16string OutlookFolder{};

  bool operator==(const SyncSettings&) const = default;
};
