#include "sync/sync_spread.h"

#include <algorithm>

#include "common/text_classes.h"

namespace {

// FNV-1a over the UTF-16 units: cheap and the same on every platform.
uint64_t HashText(uint64_t hash, std::u16string_view text) {
  for (char16_t c : text) {
    const char16_t folded = FoldAsciiCase(c);
    hash = (hash ^ (folded & 0xFFu)) * 0x100000001B3ull;
    hash = (hash ^ (folded >> 8)) * 0x100000001B3ull;
  }
  return hash;
}

// FNV's low bits depend only on the low bits of each byte; a final mix
// spreads every input bit over the whole result, whatever the window.
uint64_t Mix(uint64_t x) {
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

}  // namespace

int32_t ClampSyncSpread(int32_t minutes) { return std::clamp(minutes, 0, kMaxSyncSpread); }

int32_t SpreadOffset(const DesktopIdentity& desktop, int32_t spread) {
  spread = ClampSyncSpread(spread);
  if (spread <= 1) return 0;
  uint64_t hash = HashText(0xCBF29CE484222325ull, desktop.computerName);
  // A separator, so that "AB"+"C" and "A"+"BC" differ.
  hash = (hash ^ 0xFFu) * 0x100000001B3ull;
  hash = HashText(hash, desktop.userName);
  return static_cast<int32_t>(Mix(hash) % static_cast<uint64_t>(spread));
}

int32_t SpreadSyncTime(int32_t syncTime, int32_t offset) {
  if (syncTime < 0 || syncTime >= kMinutesPerDay) return syncTime;
  return (syncTime + offset) % kMinutesPerDay;
}
