// The Foxmail 7 writer with a real registry key, real stand-in executables,
// a real process and real folders.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>

#include "clients/client_watch_win.h"
#include "clients/foxmail7/directory_tree_win.h"
#include "clients/foxmail7/foxmail7_locate_win.h"
#include "clients/foxmail7/foxmail7_storage_writer.h"
#include "clients/foxmail7/foxmail7_sync_win.h"
#include "clients/foxmail7/process_running_win.h"
#include "common/utf_convert.h"
#include "foxmail7/foxmail7_test_support_win.h"

namespace {

const AddrContactList kContacts = {{u"张伟", u"zhangwei@tarnwell.example"},
                                   {u"", u"noname@tarnwell.example"},
                                   {u"李娜", u"lina@tarnwell.example"}};

class Foxmail7Writer : public testing::Test {
 protected:
  std::string AllFiles() const {
    std::string bytes;
    for (Foxmail7File file : kFoxmail7Files) bytes += fox_.FolderFile(file);
    return bytes;
  }
  TestFoxmail7Installation fox_;
};

TEST_F(Foxmail7Writer, FoundThroughTheOpenCommand) {
  for (const std::u16string& command :
       {u"\"" + fox_.exePath + u"\" \"%1\"", u"  " + fox_.exePath + u" %1 \t"}) {
    ASSERT_TRUE(fox_.key.Set(command));
    std::u16string dir, name;
    ASSERT_TRUE(LocateFoxmail7(&dir, &name));
    EXPECT_EQ(fox_.installDir, dir);
    EXPECT_EQ(fox_.exeName, name);
  }
}

TEST_F(Foxmail7Writer, OnlyAProductVersionBeginningWith7IsFoxmail7) {
  for (auto [dummy, isFoxmail7] : {std::pair{"fm7_version_7", true},
                                   {"fm7_version_6_5_0_0", false},
                                   {"fm7_version_17_0", false},
                                   {"fm7_no_version", false},
                                   {"fm7_version_7_2_5_140", true}}) {
    fox_.UseDummy(dummy);
    EXPECT_EQ(isFoxmail7, IsFoxmail7Installed()) << dummy;
  }
  fox_.UseDummy("fm7_version_6_5_0_0");
  CServiceFoxmail7Sync writer;
  EXPECT_FALSE(writer.SyncContacts(kContacts));
  EXPECT_EQ(u"未找到Foxmail7", writer.GetLastErrorText());
  EXPECT_EQ(u"", ListDirectory(fox_.addressDir));
}

TEST_F(Foxmail7Writer, NotFoundWithoutAUsableCommand) {
  fox_.key.Remove();
  EXPECT_FALSE(IsFoxmail7Installed());
  // An expandable string is taken literally.
  SetEnvironmentVariableW(L"TW_FOXMAIL_DIR", AsWide(fox_.installDir));
  ASSERT_TRUE(fox_.key.Set(u"\"%TW_FOXMAIL_DIR%" + fox_.exeName + u"\"", REG_EXPAND_SZ));
  EXPECT_FALSE(IsFoxmail7Installed());
  ASSERT_TRUE(fox_.key.Set(u"\"" + fox_.installDir + u"missing.exe\" \"%1\""));
  EXPECT_FALSE(IsFoxmail7Installed());
  // Longer than the 400 characters that are read.
  ASSERT_TRUE(fox_.key.Set(u"\"" + fox_.exePath + u"\"" + std::u16string(400, u' ')));
  EXPECT_FALSE(IsFoxmail7Installed());
}

// Foxmail 7 of this installation refuses the run, whatever the case of its
// registered path; one of another installation (another folder, the same
// name) does not.
TEST_F(Foxmail7Writer, RefusesOnlyWhileThisInstallationRuns) {
  fox_.GiveUserFolder();
  ScratchDir elsewhere;
  CopyFileW(AsWide(fox_.exePath), AsWide(elsewhere.File(fox_.exeName)), FALSE);
  RunningDummy other(elsewhere.File(fox_.exeName));
  RunningDummy foxmail(fox_.exePath);
  ASSERT_TRUE(other.started() && foxmail.started());
  std::u16string upper = fox_.exePath;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char16_t c) { return c < 0x80 ? toupper(c) : c; });
  ASSERT_TRUE(fox_.key.Set(u"\"" + upper + u"\" \"%1\""));

  CServiceFoxmail7Sync writer;
  EXPECT_FALSE(writer.SyncContacts(kContacts));
  EXPECT_EQ(u"在同步时，请您关闭Foxmail7", writer.GetLastErrorText());
  EXPECT_EQ(kUserFolderListing, ListDirectory(fox_.folder));
  EXPECT_EQ(u"400\\|", ListDirectory(fox_.addressDir));

  foxmail.Stop();
  EXPECT_TRUE(CServiceFoxmail7Sync().SyncContacts(kContacts));
}

// Another user's Foxmail (the system will not open it) may run from this
// installation: it counts as running, and is looked for until it ends,
// known by its start time as well as its id.
TEST_F(Foxmail7Writer, AFoxmailThatCannotBeOpenedIsWatchedUntilItEnds) {
  ScratchDir elsewhere;
  CopyFileW(AsWide(fox_.exePath), AsWide(elsewhere.File(fox_.exeName)), FALSE);
  RunningDummy other(elsewhere.File(fox_.exeName));
  ASSERT_TRUE(other.started());
  SyncSettings foxmail7;
  foxmail7.EmailClient = 5;
  const ProcessOpener refuse = [](DWORD, DWORD) -> HANDLE { return nullptr; };
  ClientProcessWatch refused(refuse, 50);
  ASSERT_TRUE(WaitUntil([&] { return refused.ClientRunning(foxmail7) == true; }));
  EXPECT_EQ(ClientProcessWatch().ClientRunning(foxmail7), false);  // seen to be another's
  const std::vector<ClientProcess> found =
      FindClientProcesses({fox_.installDir, fox_.exeName}, refuse);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_FALSE(StillRunning({found[0].identity.id, found[0].identity.started + 1}));

  std::atomic<int> ended = 0;
  ASSERT_TRUE(refused.Watch(foxmail7, [&] { ++ended; }));
  other.Stop();
  EXPECT_TRUE(WaitUntil([&] { return ended == 1; }));
  EXPECT_FALSE(refused.Watch(foxmail7, [] {}));
}

TEST_F(Foxmail7Writer, ReplacesTheUsersFolderWithExactlyTheSevenFiles) {
  fox_.GiveUserFolder();
  CServiceFoxmail7Sync writer;
  ASSERT_TRUE(writer.SyncContacts(kContacts));
  EXPECT_EQ(u"", writer.GetLastErrorText());
  EXPECT_EQ(kSevenFilesListing, ListDirectory(fox_.folder));
  EXPECT_EQ(u"400\\|", ListDirectory(fox_.addressDir));
  for (Foxmail7File file : kFoxmail7Files)
    EXPECT_EQ(BuildFoxmail7File(file, kContacts), fox_.FolderFile(file));

  const std::string first = AllFiles();
  ASSERT_TRUE(CServiceFoxmail7Sync().SyncContacts(kContacts));
  EXPECT_EQ(first, AllFiles());

  ASSERT_TRUE(CServiceFoxmail7Sync().SyncContacts({}));
  EXPECT_EQ(kSevenFilesListing, ListDirectory(fox_.folder));
  EXPECT_EQ(96u, fox_.FolderFile(Foxmail7File::AddrDataHea).size());
}

TEST_F(Foxmail7Writer, WithoutTheAddressDirectoryNothingIsCreated) {
  ASSERT_TRUE(RemoveDirectoryW(AsWide(fox_.addressDir)));
  CServiceFoxmail7Sync writer;
  EXPECT_FALSE(writer.SyncContacts(kContacts));
  EXPECT_EQ(u"写入Foxmail7地址簿失败", writer.GetLastErrorText());
  EXPECT_EQ(u"", ListDirectory(fox_.installDir + u"Data\\Address"));
}

// The path Wine maps a Windows path to.
std::u16string UnixPath(const std::u16string& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = toUnix ? toUnix(AsWide(path)) : nullptr;
  const std::u16string text = unix ? Utf8ToUtf16(unix) : u"";
  HeapFree(GetProcessHeap(), 0, unix);
  return text;
}

// Runs a Linux command (its first word a Linux path) until `done` holds:
// Wine hands back no handle of such a process to wait for.
bool RunUnixUntil(std::u16string command, const std::function<bool()>& done) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  const std::u16string program = u"Z:" + command.substr(0, command.find(u' '));
  CreateProcessW(AsWide(program), AsWideBuffer(command), nullptr, nullptr, FALSE, 0, nullptr,
                 nullptr, &startup, &started);
  for (int wait = 0; wait < 1500 && !done(); ++wait) Sleep(20);
  return done();
}

TEST(DeleteDirectoryTree, RemovesATreeNamedWithEitherSlash) {
  ScratchDir scratch;
  const std::u16string root = scratch.File(u"tree");
  CreateDirectoryW(AsWide(root), nullptr);
  CreateDirectoryW(AsWide(root + u"\\sub"), nullptr);
  WriteFileBytes(root + u"\\sub\\b.txt", "b");
  std::u16string forward = root + u"/";
  std::replace(forward.begin(), forward.end(), u'\\', u'/');
  EXPECT_TRUE(DeleteDirectoryTree(forward));
  EXPECT_EQ(u"", ListDirectory(scratch.path()));
  EXPECT_TRUE(DeleteDirectoryTree(root));  // nothing left to remove

  // A link in the tree to a folder outside it (Wine shows a Unix symbolic
  // link as a reparse point, and cannot remove it) is never followed.
  const std::u16string outside = scratch.File(u"outside");
  CreateDirectoryW(AsWide(outside), nullptr);
  WriteFileBytes(outside + u"\\kept.txt", "k");
  CreateDirectoryW(AsWide(root), nullptr);
  const std::u16string link = UnixPath(root) + u"/link";
  const auto linked = [&] {
    const DWORD attributes = GetFileAttributesW(AsWide(root + u"\\link"));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  };
  ASSERT_TRUE(RunUnixUntil(u"/bin/ln -s " + UnixPath(outside) + u" " + link, linked));
  (void)DeleteDirectoryTree(root);
  EXPECT_TRUE(FileExists(outside + u"\\kept.txt"));
  EXPECT_TRUE(RunUnixUntil(u"/bin/rm " + link, [&] { return !linked(); }));
}

}  // namespace
