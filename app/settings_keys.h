#pragma once
// The sections and keys of AddrBookSync.ini, named once: the settings
// store and the installer's presets must write the same ones.

namespace ini {

inline constexpr char16_t kGeneral[] = u"General";
inline constexpr char16_t kServer[] = u"Server";

inline constexpr char16_t kEmailClient[] = u"EmailClient";
inline constexpr char16_t kSyncLevel[] = u"SyncLevel";
inline constexpr char16_t kSyncType[] = u"SyncType";
inline constexpr char16_t kSyncTime[] = u"SyncTime";
inline constexpr char16_t kSyncSpread[] = u"SyncSpread";
inline constexpr char16_t kLastAutoSync[] = u"LastAutoSync";
inline constexpr char16_t kPendingClientSync[] = u"PendingClientSync";
inline constexpr char16_t kKeptAnswer[] = u"KeptAnswer";
inline constexpr char16_t kOutlookFolder[] = u"OutlookFolder";

inline constexpr char16_t kServerHost[] = u"ServerHost";
inline constexpr char16_t kServerPort[] = u"ServerPort";
inline constexpr char16_t kServerVirtual[] = u"ServerVirtual";
inline constexpr char16_t kServerScheme[] = u"ServerScheme";
inline constexpr char16_t kAccount[] = u"Account";
inline constexpr char16_t kPassword[] = u"Password";
inline constexpr char16_t kProtectedPassword[] = u"ProtectedPassword";
inline constexpr char16_t kSavePassword[] = u"SavePassword";

}  // namespace ini
