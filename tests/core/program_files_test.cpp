// Where the program keeps its files: beside the executable, or for the
// program of a per-machine installation in the user's own folder.

#include "app/program_files.h"

#include <gtest/gtest.h>

#include "common/utf_convert.h"

namespace {

TEST(ProgramFilesTest, DirectoryOfExecutable) {
  EXPECT_EQ(DirectoryOfPath(u"C:\\Program Files\\Tarnwell\\x.exe"), u"C:\\Program Files\\Tarnwell");
  EXPECT_EQ(DirectoryOfPath(u"C:\\x.exe"), u"C:");
  EXPECT_EQ(DirectoryOfPath(u"C:x.exe"), u"C:");
}

TEST(ProgramFilesTest, AllSitBesideTheExecutable) {
  const ProgramFiles files = ProgramFilesBeside(u"D:\\tools\\sync.exe");
  EXPECT_EQ(files.settings, u"D:\\tools\\AddrBookSync.ini");
  EXPECT_EQ(files.log, u"D:\\tools\\syncaddrs.log");
  EXPECT_EQ(files.answerCopy, u"D:\\tools\\address.xml");
  EXPECT_EQ(ProgramFilesIn(u"D:\\tools\\").log, files.log);  // as an installer names a folder
}

// Only the very folder a per-machine installation recorded sends the files
// to the user's own; any other copy keeps them beside itself.
TEST(ProgramFilesTest, TheMachinesProgramKeepsThemInTheUsersFolder) {
  const std::u16string user = u"C:\\Users\\li\\AppData\\Roaming\\T";
  const struct {
    const char16_t* executable;
    const char16_t* machineFolder;
    bool inUserFolder;
  } cases[] = {
      {u"C:\\Program Files\\T\\t.exe", u"C:\\Program Files\\T\\", true},
      {u"c:\\PROGRAM FILES\\t\\t.exe", u"C:\\Program Files\\T", true},
      {u"C:\\Program Files\\T\\t.exe", u"", false},
      {u"C:\\Program Files\\T\\sub\\t.exe", u"C:\\Program Files\\T\\", false},
      {u"C:\\Program Files\\T2\\t.exe", u"C:\\Program Files\\T\\", false},
      {u"C:\\t.exe", u"\\", false},
  };
  for (const auto& c : cases) {
    const ProgramFiles files = ProgramFilesFor(c.executable, c.machineFolder, user);
    EXPECT_EQ(files.outlookRecord, c.inUserFolder ? ProgramFilesIn(user).outlookRecord
                                                  : ProgramFilesBeside(c.executable).outlookRecord)
        << Utf16ToUtf8(c.executable);
  }
}

}  // namespace
