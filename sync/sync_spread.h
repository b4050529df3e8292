#pragma once
// Spreading the daily automatic run of many desktops over a window after
// SyncTime, so that a whole company does not ask the mail server for its
// address book within the same minute. Each desktop's place in the window
// follows from its computer and user names: the same every day, and evenly
// spread over the desktops of a company.

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int32_t kMaxSyncSpread = 120;  // minutes
inline constexpr int32_t kMinutesPerDay = 24 * 60;

struct DesktopIdentity {
  std::u16string computerName;
  std::u16string userName;
};

// `SyncSpread` as stored, brought into 0..kMaxSyncSpread.
int32_t ClampSyncSpread(int32_t minutes);

// This desktop's offset within a window of `spread` minutes, from 0 to
// spread - 1 (0 when there is no window). Names compare without regard to
// ASCII case, as Windows compares them.
int32_t SpreadOffset(const DesktopIdentity& desktop, int32_t spread);

// The minute of the day at which the automatic run starts: SyncTime moved
// by `offset`, past midnight into the next day when it gets there. A
// SyncTime outside the day is returned as it is, so it still never fires.
int32_t SpreadSyncTime(int32_t syncTime, int32_t offset);
