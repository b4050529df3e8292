// Where the program keeps its files: beside the executable, or for the
// program of a per-machine installation in the user's own folder.

#include "app/program_files.h"

#include <gtest/gtest.h>

#include <tuple>

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

// Only the very folder a per-machine installation recorded sends them to
// the user's own; any other copy keeps them beside itself.
TEST(ProgramFilesTest, TheMachinesProgramKeepsThemInTheUsersFolder) {
  const std::tuple<const char16_t*, const char16_t*, bool> cases[] = {
      {u"C:\\Prog\\T\\t.exe", u"C:\\Prog\\T\\", true},
      {u"c:\\PROG\\t\\t.exe", u"C:\\Prog\\T", true},
      {u"t.exe", u"", false},
      {u"C:\\Prog\\T\\sub\\t.exe", u"C:\\Prog\\T\\", false},
      {u"C:\\Prog\\T2\\t.exe", u"C:\\Prog\\T\\", false}};
  for (const auto& [executable, machineFolder, inUserFolder] : cases) {
    EXPECT_EQ(ProgramFilesFor(executable, machineFolder, u"U").log,
              inUserFolder ? u"U\\syncaddrs.log" : ProgramFilesBeside(executable).log);
  }
}

}  // namespace
