#include "app/client_availability.h"

int OutlookVersionCodeFromCurVer(const std::u16string& curVer) {
  const size_t dot = curVer.rfind(u'.');
  const std::u16string tail = dot == std::u16string::npos ? curVer : curVer.substr(dot + 1);
  static const std::pair<const char16_t*, int> kCodes[] = {
      {u"7", 1},  {u"8", 2},  {u"9", 3},  {u"10", 4}, {u"11", 5},
      {u"12", 6}, {u"14", 7}, {u"15", 8}, {u"16", 9},
  };
  for (const auto& [text, code] : kCodes) {
    if (tail == text) return code;
  }
  return 0;
}

ClientAvailability::ClientAvailability(const DetectedClients& found) {
  available_[ClientOutlookExpress] = found.wab;
  available_[ClientOutlook2003] = found.outlookVersionCode == 5;
  available_[ClientOutlook2007] = found.outlookVersionCode == 6;
  available_[ClientOutlook2010] = found.outlookVersionCode == 7;
  available_[ClientFoxmail56] = found.foxmail56;
  available_[ClientFoxmail7] = found.foxmail7;
  available_[ClientOutlook2013] = found.outlookVersionCode == 8 || found.outlookVersionCode == 9;
}

bool ClientAvailability::IsAvailable(int32_t kind) const {
  return kind >= 0 && kind < kKinds && available_[static_cast<size_t>(kind)];
}
