#pragma once
// What the Foxmail 7 tests share: stand-in executables, Foxmail's open
// command in the registry, an installation in a scratch folder, a running
// stand-in, polling and folder listings.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "clients/foxmail7/foxmail7_files.h"
#include "common/win/scoped_handles.h"
#include "tests/support/test_turn_win.h"
#include "win_test_support.h"

// A stand-in executable by target name ("fm7_version_7_2_5_140").
std::u16string Foxmail7Dummy(const std::string& name);

// Foxmail's open command under HKEY_LOCAL_MACHINE, for one test, removed
// afterwards. Private: this process's HKEY_LOCAL_MACHINE is redirected to
// a scratch key, so tests run side by side. Shared: the prefix's own key,
// which a program started by the test sees too; such tests take turns. (The
// prefix belongs to the build tree and has no Foxmail of its own.)
class FoxmailCommandKey {
 public:
  enum class Scope { Private, Shared };
  explicit FoxmailCommandKey(Scope scope);
  ~FoxmailCommandKey();
  FoxmailCommandKey(const FoxmailCommandKey&) = delete;
  FoxmailCommandKey& operator=(const FoxmailCommandKey&) = delete;

  bool Set(const std::u16string& command, DWORD type = REG_SZ);
  void Remove();

 private:
  std::optional<TestTurn> turn_;  // Shared
  std::u16string scratchPath_;    // Private: below HKEY_CURRENT_USER
  UniqueHKey scratchKey_;
};

// "<scratch>\Foxmail 7.2\<unique name>.exe", a stand-in with product
// version 7.2.5.140, registered as the open command, and an empty
// "Data\Address\2.5" beside it.
class TestFoxmail7Installation {
 public:
  explicit TestFoxmail7Installation(
      FoxmailCommandKey::Scope scope = FoxmailCommandKey::Scope::Private);
  void UseDummy(const std::string& name);  // replaces the executable
  void GiveUserFolder();                   // an address folder holding the user's files
  std::string FolderFile(Foxmail7File file) const;

 private:
  ScratchDir scratch_;  // first in, last out

 public:
  FoxmailCommandKey key;
  const std::u16string installDir;  // ends in a backslash
  const std::u16string exeName;     // unique to this test process
  const std::u16string exePath;
  const std::u16string addressDir;  // ...\Data\Address\2.5
  const std::u16string folder;      // ...\Data\Address\2.5\400
};

// ListDirectory of the folder that GiveUserFolder makes, and of a written one.
inline constexpr char16_t kUserFolderListing[] = u"AddrData.hea|mine\\|";
inline constexpr char16_t kSevenFilesListing[] =
    u"AddrData.hea|AddrData.rec0|AddrFolderMember|AddrFolderTreeStg.htb|"
    u"AddrFolderTreeStg.rec0|AddrFolderTreeStgtre|AddrGroup|";

// A stand-in started from `exePath`, running until Stop or destruction.
class RunningDummy {
 public:
  explicit RunningDummy(const std::u16string& exePath);
  ~RunningDummy() { Stop(); }
  RunningDummy(const RunningDummy&) = delete;
  RunningDummy& operator=(const RunningDummy&) = delete;

  bool started() const { return process_.valid(); }
  void Stop();

 private:
  UniqueHandle stop_;
  UniqueHandle process_;
};

// "name|" for each entry of a directory, sorted; directories end in "\".
std::u16string ListDirectory(const std::u16string& dir);
