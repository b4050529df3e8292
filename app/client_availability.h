#pragma once
// Which client kinds the dialog may offer, from what the detections found.

#include <array>
#include <string>

#include "sync/client_kind.h"

// Maps the text after the last "." of Outlook's CurVer value to the
// version code (0 when nothing matches; the comparison is exact).
int OutlookVersionCodeFromCurVer(const std::u16string& curVer);

struct DetectedClients {
  bool wab = false;
  int outlookVersionCode = 0;
  bool foxmail56 = false;
  bool foxmail7 = false;
};

class ClientAvailability {
 public:
  static constexpr int kKinds = 7;
  explicit ClientAvailability(const DetectedClients& found);
  // False for every value outside the known kinds.
  bool IsAvailable(int32_t kind) const;

 private:
  std::array<bool, kKinds> available_{};
};
