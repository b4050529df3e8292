// How many desktops start their daily run in the busiest minute, and what
// the mail server must send then, for SyncSpread 0, 15, 30 and 60. Every
// desktop has its own computer and user name and runs the program's own
// offset function; the downloads that start in one minute are taken to be
// served within that minute.
//   spread_simulation [DESKTOPS] [ANSWER_BYTES] [COMPRESSED_BYTES]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/utf_convert.h"
#include "sync/sync_spread.h"

namespace {

// Computer names in the styles Windows and administrators use; users as
// pinyin, numbered where two would share a name.
std::vector<DesktopIdentity> MakeDesktops(size_t count) {
  const char* const sites[] = {"BJ", "SH", "GZ", "SZ", "CD", "WH"};
  const char* const departments[] = {"FIN", "HR", "RD", "SALES", "MKT", "IT", "ADM"};
  const char* const surnames[] = {"wang", "li", "zhang", "liu", "chen", "yang", "huang",
                                  "zhao", "wu", "zhou",  "xu",  "sun",  "ma",   "zhu"};
  const char* const given[] = {"wei", "fang", "na",   "min", "jing", "li",  "qiang", "lei",
                               "jun", "yang", "yong", "yan", "jie",  "tao", "ming",  "chao"};
  const char kAlphanumeric[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::mt19937 random(20261207);
  auto pick = [&](auto& list) { return std::string(list[random() % std::size(list)]); };

  std::set<std::pair<std::string, std::string>> seen;
  std::vector<DesktopIdentity> desktops;
  std::set<std::string> users;
  while (desktops.size() < count) {
    std::string computer;
    if (random() % 3 == 0) {
      computer = "DESKTOP-";
      for (int i = 0; i < 7; ++i) computer += kAlphanumeric[random() % 36];
    } else {
      computer = pick(sites) + "-" + pick(departments) + "-" + std::to_string(random() % 10000);
    }
    std::string user = pick(surnames) + pick(given);
    for (int n = 2; users.count(user); ++n) user = pick(surnames) + pick(given) + std::to_string(n);
    if (!seen.insert({computer, user}).second) continue;
    users.insert(user);
    desktops.push_back({AsciiToUtf16(computer), AsciiToUtf16(user)});
  }
  return desktops;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t desktopCount = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10000;
  const double answerBytes = argc > 2 ? std::strtod(argv[2], nullptr) : 13.6e6;
  const double compressedBytes = argc > 3 ? std::strtod(argv[3], nullptr) : answerBytes;
  if (desktopCount == 0 || answerBytes <= 0 || compressedBytes <= 0) {
    std::fprintf(stderr, "usage: spread_simulation [DESKTOPS] [ANSWER_BYTES] [COMPRESSED_BYTES]\n");
    return 2;
  }
  const std::vector<DesktopIdentity> desktops = MakeDesktops(desktopCount);
  constexpr int32_t kSyncTime = 540;

  std::printf("%zu desktops, answer %.1f MB, compressed %.2f MB\n\n", desktops.size(),
              answerBytes / 1e6, compressedBytes / 1e6);
  std::printf(
      "| SyncSpread | busiest minute | runs in it (mean) | peak MB/s plain | "
      "peak MB/s gzip | peak gzip vs today |\n|---|---|---|---|---|---|\n");
  double today = 0;
  for (const int32_t spread : {0, 15, 30, 60}) {
    std::vector<size_t> perMinute(24 * 60, 0);
    for (const DesktopIdentity& d : desktops) {
      ++perMinute[SpreadSyncTime(kSyncTime, SpreadOffset(d, spread))];
    }
    const auto busiest = std::max_element(perMinute.begin(), perMinute.end());
    const auto runs = static_cast<double>(*busiest);
    const double plain = runs * answerBytes / 60;
    const double compressed = runs * compressedBytes / 60;
    if (spread == 0) today = plain;
    const int minute = static_cast<int>(busiest - perMinute.begin());
    std::printf("| %d | %02d:%02d | %zu (%.0f) | %.0f | %.1f | %.0fx less |\n", spread, minute / 60,
                minute % 60, *busiest, static_cast<double>(desktops.size()) / std::max(spread, 1),
                plain / 1e6, compressed / 1e6, today / compressed);
  }
  return 0;
}
