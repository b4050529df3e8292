// Where the program keeps its files: beside the executable.

#include "app/program_files.h"

#include <gtest/gtest.h>

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

}  // namespace
