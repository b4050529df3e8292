// From Foxmail's registered open command to its address folder.

#include "clients/foxmail7/foxmail7_location.h"

#include <gtest/gtest.h>

namespace {

TEST(Foxmail7Location, CommandLineCleaning) {
  for (auto [command, path] : std::initializer_list<std::pair<const char16_t*, const char16_t*>>{
           {u"\"D:\\Mail\\Client.exe\" \"%1\"", u"D:\\Mail\\Client.exe"},
           {u"  D:\\Mail\\Client.exe %1\t\r\n", u"D:\\Mail\\Client.exe"},
           // Blanks inside stay; the ideographic space is a blank too.
           {u"\u3000\"C:\\Program Files\\Foxmail 7.2\\Foxmail.exe\"\u3000%1",
            u"C:\\Program Files\\Foxmail 7.2\\Foxmail.exe"},
           // Every occurrence goes; quotes first, so a "%1" split by a quote goes too.
           {u"\"C:\\a\"%1\"\\F.exe\"%1%1 %\"1", u"C:\\a\\F.exe"},
           // Environment references stay as they are.
           {u"\"%ProgramFiles%\\Foxmail.exe\" \"%1\"", u"%ProgramFiles%\\Foxmail.exe"},
           {u" \"%1\" ", u""},
       }) {
    EXPECT_EQ(path, CleanFoxmailCommand(command));
  }
}

TEST(Foxmail7Location, InstallDirectoryAndAddressFolder) {
  auto located = [](std::u16string_view path) {
    const Foxmail7Location l = SplitExecutablePath(path);
    return l.executableName + u" in " + Foxmail7AddressFolder(l);
  };
  EXPECT_EQ(u"Client.exe in D:\\Mail\\Data\\Address\\2.5\\400", located(u"D:\\Mail\\Client.exe"));
  EXPECT_EQ(u"Client.exe in Data\\Address\\2.5\\400", located(u"Client.exe"));  // relative
  EXPECT_EQ(u"Client.exe in D:Data\\Address\\2.5\\400", located(u"D:Client.exe"));
  EXPECT_EQ(u"Client.exe in D:/Mail/Data\\Address\\2.5\\400", located(u"D:/Mail/Client.exe"));
  EXPECT_EQ(u"F in \\\\srv\\share\\F.7\\Data\\Address\\2.5\\400",
            located(u"\\\\srv\\share\\F.7\\F"));
}

TEST(Foxmail7Location, OnlyTheFirstCharacterOfTheProductVersionCounts) {
  for (const char16_t* version : {u"7.2.5.140", u"7", u"7x"})
    EXPECT_TRUE(IsFoxmail7ProductVersion(version));
  for (const char16_t* version : {u"6.5.0.0", u"17.0", u" 7.0", u""})
    EXPECT_FALSE(IsFoxmail7ProductVersion(version));
}

}  // namespace
