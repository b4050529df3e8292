#include "clients/foxmail7/foxmail7_location.h"

#include "common/text_classes.h"

namespace {

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
  return std::u16string(TrimmedBlanks(path));
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
