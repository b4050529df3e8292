#include "clients/foxmail7/foxmail7_location.h"

namespace {

// The characters that the platform's wide-character space test accepts.
bool IsBlank(char16_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

void RemoveAll(std::u16string& text, std::u16string_view what) {
  for (size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at)) {
    text.erase(at, what.size());
  }
}

}  // namespace

std::u16string CleanFoxmailCommand(std::u16string_view command) {
  std::u16string path(command);
  RemoveAll(path, u"\"");
  RemoveAll(path, u"%1");
  size_t begin = 0;
  size_t end = path.size();
  while (begin < end && IsBlank(path[begin])) ++begin;
  while (end > begin && IsBlank(path[end - 1])) --end;
  return path.substr(begin, end - begin);
}

Foxmail7Location SplitExecutablePath(std::u16string_view path) {
  size_t dirEnd = path.find_last_of(u"\\/");
  if (dirEnd != std::u16string_view::npos) {
    ++dirEnd;
  } else if (path.size() >= 2 && path[1] == u':') {
    dirEnd = 2;
  } else {
    dirEnd = 0;
  }
  return {std::u16string(path.substr(0, dirEnd)), std::u16string(path.substr(dirEnd))};
}

bool IsFoxmail7ProductVersion(std::u16string_view productVersion) {
  return !productVersion.empty() && productVersion.front() == u'7';
}

std::u16string Foxmail7AddressFolder(const Foxmail7Location& location) {
  return location.installDir + u"Data\\Address\\2.5\\400";
}
