// Replacing the Foxmail 7 folder over a file system in memory: what each
// outcome leaves on disk and which text it reports.

#include "clients/foxmail7/foxmail7_folder_replacement.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "sync/client_kind.h"
#include "clients/foxmail7/foxmail7_folder_reader.h"
#include "clients/foxmail7/foxmail7_storage_writer.h"

namespace {

const std::u16string kParent = u"D:\\Mail\\Data\\Address\\2.5";
const std::u16string kFolder = kParent + u"\\400";
const std::u16string kStaging = Foxmail7StagingFolder(kFolder);
const std::u16string kAside = Foxmail7AsideFolder(kFolder);
constexpr char kDir[] = "<dir>";

bool Within(const std::u16string& path, const std::u16string& dir) {
  return path.starts_with(dir) && (path.size() == dir.size() || path[dir.size()] == u'\\');
}
std::u16string ParentOf(const std::u16string& path) { return path.substr(0, path.rfind(u'\\')); }

// Paths map to file contents, or kDir for directories.
struct FakeDisk : IFoxmail7Platform {
  std::optional<Foxmail7Location> location = Foxmail7Location{u"D:\\Mail\\", u"Client.exe"};
  std::set<std::u16string> running, undeletable, unmovable;
  std::u16string failingFile;  // the one file whose writes fail
  bool clientHolds = false;    // what holds an unmovable folder is Foxmail 7, started meanwhile
  std::map<std::u16string, std::string> entries = {{u"D:\\Mail\\Data\\Address", kDir},
                                                   {kParent, kDir},
                                                   {kFolder, kDir},
                                                   {kFolder + u"\\mine", kDir},
                                                   {kFolder + u"\\mine\\notes.txt", "notes"}};

  std::optional<Foxmail7Location> Locate() override { return location; }
  bool IsClientRunning(const Foxmail7Location& l) override {
    return running.count(l.executableName) > 0;
  }
  bool PathExists(const std::u16string& path) override { return entries.count(path) > 0; }
  bool MakeDirectory(const std::u16string& path) override {
    return !entries.count(path) && entries.count(ParentOf(path)) &&
           entries.emplace(path, kDir).second;
  }
  bool DeleteDirectoryTree(const std::u16string& path) override {
    return !undeletable.count(path) &&
           (std::erase_if(entries, [&](auto& e) { return Within(e.first, path); }), true);
  }
  bool MoveDirectory(const std::u16string& from, const std::u16string& to) override {
    if (unmovable.count(from) && clientHolds) running.insert(location->executableName);
    if (unmovable.count(from) || !entries.count(from) || entries.count(to)) return false;
    std::map<std::u16string, std::string> moved;
    for (auto& [p, bytes] : entries)
      moved[Within(p, from) ? to + p.substr(from.size()) : p] = bytes;
    entries = std::move(moved);
    return true;
  }
  struct File : IStorageFile {
    std::string& bytes;
    bool fail;
    File(std::string& b, bool f) : bytes(b), fail(f) {}
    bool Write(std::span<const uint8_t> b) override {
      bytes.append(reinterpret_cast<const char*>(b.data()), b.size());
      return !fail;
    }
    bool Close() override { return true; }
  };
  std::unique_ptr<IStorageFile> CreateStorageFile(const std::u16string& path) override {
    if (!entries.count(ParentOf(path))) return nullptr;
    return std::make_unique<File>(entries[path] = "", path.ends_with(u"\\" + failingFile));
  }
};

const AddrContactList kContacts = {{u"张三", u"zs@corp.example"}, {u"李四", u"ls@corp.example"}};

std::map<std::u16string, std::string> FolderAfterSuccess() {
  std::map<std::u16string, std::string> expected = {
      {u"D:\\Mail\\Data\\Address", kDir}, {kParent, kDir}, {kFolder, kDir}};
  for (Foxmail7File f : kFoxmail7Files) {
    expected[kFolder + u"\\" + std::u16string(Foxmail7FileName(f))] =
        BuildFoxmail7File(f, kContacts);
  }
  return expected;
}

TEST(Foxmail7FolderReplacement, TheUsersFolderMakesWayForExactlyTheSevenFiles) {
  FakeDisk disk;
  EXPECT_EQ(u"", ReplaceFoxmail7Folder(kContacts, disk).errorText);
  EXPECT_EQ(FolderAfterSuccess(), disk.entries);
  FakeDisk first;  // no folder yet
  std::erase_if(first.entries, [](auto& e) { return Within(e.first, kFolder); });
  EXPECT_TRUE(ReplaceFoxmail7Folder(kContacts, first).success);
  // Again, with the leftovers of an interrupted run beside it.
  disk.entries[kStaging] = disk.entries[kAside] = kDir;
  disk.entries[kStaging + u"\\AddrGroup"] = "partial";
  EXPECT_TRUE(ReplaceFoxmail7Folder(kContacts, disk).success);
  EXPECT_EQ(FolderAfterSuccess(), disk.entries);
  // An old folder that resists removal goes in the next run.
  disk.undeletable.insert(kAside);
  EXPECT_TRUE(ReplaceFoxmail7Folder(kContacts, disk).success);
  disk.undeletable.clear();
  EXPECT_TRUE(ReplaceFoxmail7Folder(kContacts, disk).success);
  EXPECT_EQ(FolderAfterSuccess(), disk.entries);
}

TEST(Foxmail7FolderReplacement, APastSixteenBitListKeepsItsFirstContactsReadably) {
  AddrContactList contacts;
  AddrContactList kept;
  for (size_t k = 1; k <= kFoxmail7ContactLimit + 2; ++k) {
    const std::u16string n(u"c" + std::u16string(1, u'0' + k % 10));
    contacts.push_back({n, n + u"@corp"});
    if (k <= kFoxmail7ContactLimit) kept.push_back({n, n + u"@corp"});
  }
  FakeDisk disk;
  ASSERT_TRUE(ReplaceFoxmail7Folder(contacts, disk).success);
  Foxmail7FolderBytes files;
  for (size_t i = 0; i < kFoxmail7Files.size(); ++i) {
    files[i] =
        disk.entries.at(kFolder + u"\\" + std::u16string(Foxmail7FileName(kFoxmail7Files[i])));
  }
  const Foxmail7FolderReport report = ReadFoxmail7Folder(files);
  EXPECT_TRUE(report.wellFormed()) << report.problems.front();
  EXPECT_TRUE(report.contacts == kept) << report.contacts.size();
}

TEST(Foxmail7FolderReplacement, EveryFailureLeavesTheDiskAsItWasOrBothFoldersWhole) {
  struct Case {
    std::function<void(FakeDisk&)> setUp;
    std::u16string text;
    std::function<void(FakeDisk&)> changeExpected = {};  // none: the disk as it was
    RunFailure cause = RunFailure::None;                 // none: not checked
  };
  std::vector<Case> cases = {
      {[](FakeDisk& d) { d.location.reset(); },
       u"未找到Foxmail7",
       {},
       RunFailure::ClientNotInstalled},
      {[](FakeDisk& d) { d.running.insert(u"Client.exe"); },
       u"在同步时，请您关闭Foxmail7",
       {},
       RunFailure::ClientRunning},
      {[](FakeDisk& d) {
         std::erase_if(d.entries, [](auto& e) { return Within(e.first, kParent); });
       },
       u"写入Foxmail7地址簿失败",
       {},
       RunFailure::WriterFailed},  // no "2.5": nothing may be created
      {[](FakeDisk& d) { d.unmovable.insert(kFolder); },
       u"删除目录失败",
       {},
       RunFailure::ClientFilesInUse},
      {[](FakeDisk& d) { d.unmovable.insert(kFolder), d.clientHolds = true; },
       u"删除目录失败",
       {},
       RunFailure::ClientRunning},
      {[](FakeDisk& d) { d.unmovable.insert(kStaging); }, u"写入Foxmail7地址簿失败"},
      {[](FakeDisk& d) { d.entries[kStaging] = kDir, d.undeletable.insert(kStaging); },
       u"删除目录失败"},
      {[](FakeDisk& d) { d.entries[kAside] = kDir, d.undeletable.insert(kAside); },
       u"删除目录失败"},
      // Neither folder goes back in, in this run or the next: the new one stays.
      {[](FakeDisk& d) {
         d.unmovable = {kStaging, kAside};
       },
       u"写入Foxmail7地址簿失败",
       [](FakeDisk& d) {
         d.MoveDirectory(kFolder, kAside);
         for (auto& [p, bytes] : FolderAfterSuccess())
           if (Within(p, kFolder)) d.entries[kStaging + p.substr(kFolder.size())] = bytes;
       }},
      {[](FakeDisk& d) {
         d.MoveDirectory(kFolder, kAside), d.entries[kStaging] = kDir, d.unmovable = {kAside};
       },
       u"写入Foxmail7地址簿失败"},
  };
  for (Foxmail7File f : kFoxmail7Files) {
    const std::u16string name(Foxmail7FileName(f));
    cases.push_back({[=](FakeDisk& d) { d.failingFile = name; },
                     u"写入Foxmail7地址簿失败",
                     {},
                     RunFailure::WriterFailed});
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    FakeDisk disk, expected;
    cases[i].setUp(disk);
    expected.entries = disk.entries;
    if (cases[i].changeExpected) cases[i].changeExpected(expected);
    const Foxmail7ReplaceOutcome outcome = ReplaceFoxmail7Folder(kContacts, disk);
    EXPECT_FALSE(outcome.success) << i;
    EXPECT_EQ(cases[i].text, outcome.errorText) << i;
    if (cases[i].cause != RunFailure::None) {
      EXPECT_EQ(cases[i].cause, outcome.failure) << i;
    }
    EXPECT_EQ(expected.entries, disk.entries) << i;
  }
}

}  // namespace
