// The Windows Installer package as administrators and users meet it, in a
// Wine prefix of its own: a silent install with presets, the log-on start
// in the tray with a sync beside it, an upgrade over a running program, a
// refused downgrade, bad presets, and an uninstall while the program runs.
// The cases run one after the other in one process and each leaves the
// prefix without the product.

// First: the server's header brings winsock2.h, which must precede windows.h.
#include "loopback_http_server_win.h"

#include <gtest/gtest.h>
#include <msi.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <optional>
#include <vector>

#include "clients/file_version_info_win.h"
#include "common/utf_convert.h"
#include "common/win/code_page_win.h"
#include "foxmail7/foxmail7_test_support_win.h"
#include "http_test_replies.h"

namespace {

constexpr wchar_t kUpgradeCode[] = L"{6B1A4F2E-3C5D-4E7F-9A8B-1C2D3E4F5A6B}";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr DWORD kInstallFailure = 1603;

std::u16string Folder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return FromWide(path);
}
std::u16string InstallDir() {
  return Folder(CSIDL_LOCAL_APPDATA) + u"\\Programs\\Tarnwell地址簿同步";
}
std::u16string InDir(const char16_t* name) { return InstallDir() + u"\\" + name; }
std::u16string ProgramPath() { return InDir(u"Tarnwell地址簿同步.exe"); }
std::u16string ShortcutPath(int csidl = CSIDL_PROGRAMS) {
  return Folder(csidl) + u"\\Tarnwell地址簿同步.lnk";
}
std::u16string MachineDir() { return Folder(CSIDL_PROGRAM_FILES) + u"\\Tarnwell地址簿同步"; }
std::u16string UserFile(const char16_t* name) {
  return Folder(CSIDL_APPDATA) + u"\\Tarnwell地址簿同步\\" + name;
}

std::optional<std::u16string> RegistryText(HKEY root, const wchar_t* key, const wchar_t* name) {
  wchar_t value[1024] = {};
  DWORD size = sizeof(value);
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return FromWide(value);
}
std::optional<std::u16string> RunValue(HKEY root = HKEY_CURRENT_USER) {
  return RegistryText(root, kRunKey, L"Tarnwell地址簿同步");
}

// The installed products of this package's family, as "version" strings.
std::vector<std::u16string> InstalledVersions() {
  std::vector<std::u16string> versions;
  wchar_t product[39] = {};
  for (DWORD i = 0; MsiEnumRelatedProductsW(kUpgradeCode, 0, i, product) == ERROR_SUCCESS; ++i) {
    wchar_t version[64] = {};
    DWORD size = ARRAYSIZE(version);
    MsiGetProductInfoW(product, INSTALLPROPERTY_VERSIONSTRING, version, &size);
    versions.push_back(FromWide(version));
  }
  return versions;
}

// Every product installed (for the user: HKCU\Software\Microsoft\Installer\Products).
DWORD InstalledProducts() {
  wchar_t product[39] = {};
  DWORD count = 0;
  while (MsiEnumProductsW(count, product) == ERROR_SUCCESS) ++count;
  return count;
}

// The program's own version string, which the package must carry.
std::u16string ProgramVersion(const std::u16string& program = ProgramPath()) {
  CFileVersionInfo info;
  return info.Create(program) ? info.GetProductVersion() : u"";
}

// One version for each instance of the program running, from its image.
std::vector<std::u16string> RunningProgramVersions() {
  std::vector<std::u16string> versions;
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (FromWide(entry.szExeFile) != u"Tarnwell地址簿同步.exe") continue;
    UniqueHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    QueryFullProcessImageNameW(process.get(), 0, image, &size);
    versions.push_back(ProgramVersion(FromWide(image)));
  }
  return versions;
}

// How a process was started: parent's file name, command line, working folder
// (`CurrentDirectory`, 16 bytes and five pointers into the parameter block).
std::vector<std::u16string> StartedWith(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic{};
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr);
  ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), nullptr);
  ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof(parameters), nullptr);
  const auto read = [process](const void* field) {
    UNICODE_STRING text{};
    memcpy(&text, field, sizeof(text));
    std::u16string value(text.Length / 2, u'\0');
    ReadProcessMemory(process, text.Buffer, value.data(), text.Length, nullptr);
    return value;
  };
  const UniqueHandle parent(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                        static_cast<DWORD>(basic.InheritedFromUniqueProcessId)));
  wchar_t image[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  QueryFullProcessImageNameW(parent.get(), 0, image, &size);
  const std::u16string parentImage = FromWide(image);
  return {parentImage.substr(parentImage.find_last_of(u'\\') + 1), read(&parameters.CommandLine),
          read(&parameters.Reserved2[5])};
}

// The one package in a folder of the build tree.
std::u16string PackageIn(const char* dir) {
  const std::u16string folder = HostPath(dir);
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(AsWide(folder + u"\\Tarnwell地址簿同步-*.msi"), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  FindClose(search);
  return folder + u"\\" + FromWide(found.cFileName);
}

UniqueHandle Launch(std::u16string commandLine) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, AsWideBuffer(commandLine), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &si, &pi)) {
    return {};
  }
  const UniqueHandle thread(pi.hThread);
  return UniqueHandle(pi.hProcess);
}

bool Running(const UniqueHandle& process) {
  return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

DWORD ExitCode(const UniqueHandle& process) {
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

// Every run leaves its numbered log in the build tree.
std::u16string lastLog;

DWORD Msiexec(const std::u16string& arguments) {
  static int runs = 0;
  CreateDirectoryW(AsWide(HostPath(TW_MSI_LOG_DIR)), nullptr);
  lastLog = HostPath(TW_MSI_LOG_DIR) + u"\\" + AsciiToUtf16(std::to_string(++runs)) + u".log";
  UniqueHandle msiexec = Launch(u"msiexec.exe " + arguments + u" /qn /l*v \"" + lastLog + u"\"");
  // A hung installer fails its case, not the whole run.
  if (WaitForSingleObject(msiexec.get(), 90000) != WAIT_OBJECT_0) {
    TerminateProcess(msiexec.get(), WAIT_TIMEOUT);
    ADD_FAILURE() << "msiexec did not end; its log: " << Utf16ToUtf8(lastLog);
  }
  return ExitCode(msiexec);
}
DWORD Install(const std::u16string& package, const std::u16string& presets) {
  return Msiexec(u"/i \"" + package + u"\" " + presets);
}
DWORD Uninstall(const std::u16string& package) { return Msiexec(u"/x \"" + package + u"\""); }

HWND ProgramWindow() { return FindWindowW(L"Tarnwell地址簿同步", nullptr); }

class MsiPackageTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(package_.empty());
    ASSERT_FALSE(higher_.empty());
    ASSERT_TRUE(InstalledVersions().empty());
  }
  void TearDown() override {
    for (const auto& package : {higher_, package_}) {
      if (!InstalledVersions().empty()) Uninstall(package);
    }
    // The user's files stay at uninstall; the next case starts without them.
    for (const char16_t* name : {u"AddrBookSync.ini", u"syncaddrs.log", u"address.xml"}) {
      DeleteFileW(AsWide(InDir(name)));
      DeleteFileW(AsWide(UserFile(name)));
    }
    RemoveDirectoryW(AsWide(InDir(u"AddrBookSync.ini")));
    RemoveDirectoryW(AsWide(InstallDir()));
    RemoveDirectoryW(AsWide(UserFile(u"")));
  }

  const std::u16string package_ = PackageIn(TW_MSI_DIR);
  const std::u16string higher_ = PackageIn(TW_MSI_HIGHER_DIR);
};

TEST_F(MsiPackageTest, SilentInstallWithPresetsStartsAtLogOnInTheTrayAndUninstallsWhileRunning) {
  LoopbackHttpServer server([](const RecordedRequest&) {
    return Ok(
        "<?xml version=\"1.0\"?><addressbooks><person Name=\"a\" E-Mail=\"a@b\"/></addressbooks>");
  });
  TestFoxmail7Installation foxmail(FoxmailCommandKey::Scope::Shared);
  const std::string port = std::to_string(server.port());
  ASSERT_EQ(
      Install(package_, u"WEBMAIL=http://127.0.0.1:" + AsciiToUtf16(port) +
                            u"/mail CLIENT=5 SYNCLEVEL=1 SYNCTYPE=1 SYNCTIME=09:30 SPREAD=15"),
      0u);

  EXPECT_TRUE(FileExists(ShortcutPath()));
  EXPECT_EQ(RunValue(), u"\"" + ProgramPath() + u"\" /tray");
  EXPECT_EQ(
      ReadFileBytes(InDir(u"AddrBookSync.ini")),
      "[General]\r\nEmailClient=5\r\nSyncLevel=1\r\nSyncType=1\r\nSyncTime=570\r\n"
      "SyncSpread=15\r\n[Server]\r\nServerHost=127.0.0.1\r\nServerVirtual=mail\r\nServerPort=" +
          port + "\r\nServerScheme=http\r\n");
  // The package carries the version of the program inside it.
  EXPECT_EQ(InstalledVersions(), std::vector<std::u16string>{ProgramVersion()});

  // The user completes the settings in the dialog; the next log-on starts
  // the program quietly in the tray.
  WriteFileBytes(InDir(u"AddrBookSync.ini"),
                 ReadFileBytes(InDir(u"AddrBookSync.ini")) +
                     "Account=zhang@corp.example\r\nPassword=c2VjcmV0\r\nSavePassword=1\r\n");
  UniqueHandle program = Launch(RunValue().value_or(u""));  // as the log-on starts it
  ASSERT_TRUE(WaitUntil([] { return ProgramWindow() != nullptr; }));
  const ProcessResult sync = RunProgram(ProgramPath(), u"/sync");
  EXPECT_EQ(sync.exitCode, 0u) << sync.output;
  EXPECT_EQ(sync.output, "[Foxmail 7.x] " + Utf16ToUtf8(u"更新了1个联系人") + "\r\n");
  EXPECT_TRUE(Running(program));
  EXPECT_FALSE(IsWindowVisible(ProgramWindow()));

  ASSERT_EQ(Uninstall(package_), 0u);
  // The package asked the program to quit and waited for it.
  EXPECT_FALSE(Running(program));
  EXPECT_EQ(ExitCode(program), 0u);
  EXPECT_FALSE(FileExists(ProgramPath()));
  EXPECT_FALSE(FileExists(ShortcutPath()));
  EXPECT_EQ(RunValue(), std::nullopt);
  EXPECT_TRUE(InstalledVersions().empty());
  for (const char16_t* name : {u"AddrBookSync.ini", u"syncaddrs.log", u"address.xml"}) {
    EXPECT_TRUE(FileExists(InDir(name))) << "user file removed";
  }
}

TEST_F(MsiPackageTest, UpgradeOverARunningProgramKeepsWhatTheUserSavedRestartsItAndOlderIsRefused) {
  ASSERT_EQ(Install(package_, u"WEBMAIL=http://old.example/mail CLIENT=5 SYNCTIME=09:00"), 0u);
  // What the user saved since; one setting was left blank.
  const std::string saved =
      "[General]\r\nEmailClient=6\r\nSyncLevel=0\r\nSyncType=1\r\nSyncTime=600\r\nSyncSpread=\r\n"
      "[Server]\r\nServerHost=mine.example\r\nServerVirtual=webmail\r\nServerPort=80\r\n"
      "Account=zhang@corp.example\r\nPassword=c2VjcmV0\r\nSavePassword=1\r\nServerScheme=http\r\n";
  WriteFileBytes(InDir(u"AddrBookSync.ini"), saved);
  UniqueHandle program = Launch(RunValue().value_or(u""));  // quietly in the tray
  ASSERT_TRUE(WaitUntil([] { return ProgramWindow() != nullptr; }));

  ASSERT_EQ(Install(higher_,
                    u"WEBMAIL=http://new.example/x CLIENT=0 SYNCLEVEL=1 SYNCTIME=10:00 "
                    u"SPREAD=30"),
            0u);
  EXPECT_FALSE(Running(program));
  // Started again in the tray (its dialog hidden once it waits for input),
  // in the new version, once.
  ASSERT_TRUE(WaitUntil([] { return ProgramWindow() != nullptr; }));
  DWORD id = 0;
  GetWindowThreadProcessId(ProgramWindow(), &id);
  const UniqueHandle restarted(OpenProcess(PROCESS_ALL_ACCESS, FALSE, id));
  WaitForInputIdle(restarted.get(), 10000);
  EXPECT_FALSE(IsWindowVisible(ProgramWindow()));
  // By the user's shell, not by a possibly elevated installer; in its folder.
  EXPECT_EQ(StartedWith(restarted.get()),
            (std::vector<std::u16string>{u"explorer.exe", u"\"" + ProgramPath() + u"\" /tray",
                                         InstallDir() + u"\\"}));
  EXPECT_EQ(RunningProgramVersions(), std::vector<std::u16string>{TW_MSI_HIGHER_VERSION});
  EXPECT_EQ(InstalledVersions(), std::vector<std::u16string>{TW_MSI_HIGHER_VERSION});
  EXPECT_EQ(InstalledProducts(), 1u);  // replaced, not joined by a second product
  std::string expected = saved;
  expected.replace(expected.find("SyncSpread=\r\n"), 13, "SyncSpread=30\r\n");
  EXPECT_EQ(ReadFileBytes(InDir(u"AddrBookSync.ini")), expected);
  EXPECT_TRUE(FileExists(ProgramPath()));
  EXPECT_TRUE(RunValue());

  EXPECT_EQ(Install(package_, u""), kInstallFailure);
  EXPECT_EQ(InstalledVersions(), std::vector<std::u16string>{TW_MSI_HIGHER_VERSION});
  EXPECT_TRUE(FileExists(ProgramPath()));

  // Nothing starts on a first install, on an upgrade while the program was
  // not running, or when the administrator said so.
  for (const bool wasRunning : {false, true}) {
    ASSERT_EQ(Uninstall(higher_), 0u);
    ASSERT_EQ(Install(package_, u""), 0u);
    EXPECT_TRUE(RunningProgramVersions().empty());
    const UniqueHandle old = wasRunning ? Launch(RunValue().value_or(u"")) : UniqueHandle();
    ASSERT_TRUE(!wasRunning || WaitUntil([] { return ProgramWindow() != nullptr; }));
    ASSERT_EQ(Install(higher_, wasRunning ? u"NORESTART_PROGRAM=1" : u""), 0u);
    EXPECT_TRUE(RunningProgramVersions().empty()) << wasRunning;
  }
}

TEST_F(MsiPackageTest, AnInstallationThatDoesNotCompleteStartsTheProgramItEndedAgain) {
  ASSERT_EQ(Install(package_, u""), 0u);
  const UniqueHandle program = Launch(RunValue().value_or(u""));
  ASSERT_TRUE(WaitUntil([] { return ProgramWindow() != nullptr; }));
  // A repair failing after the program ended (Wine puts no older version back).
  ASSERT_TRUE(CreateDirectoryW(AsWide(InDir(u"AddrBookSync.ini")), nullptr));
  ASSERT_EQ(Install(package_, u"REINSTALL=ALL SPREAD=30"), kInstallFailure);
  EXPECT_FALSE(Running(program));
  ASSERT_TRUE(WaitUntil([] { return ProgramWindow() != nullptr; }));
  EXPECT_EQ(RunningProgramVersions(), std::vector<std::u16string>{ProgramVersion()});
  EXPECT_EQ(InstalledVersions(), std::vector<std::u16string>{ProgramVersion()});
}

TEST_F(MsiPackageTest, PerMachineServesEachUserFromHisOwnFolderUpgradesInPlaceAndLeavesHisFiles) {
  LoopbackHttpServer server([](const RecordedRequest&) {
    return Ok(
        "<?xml version=\"1.0\"?><addressbooks><person Name=\"a\" E-Mail=\"a@b\"/></addressbooks>");
  });
  TestFoxmail7Installation foxmail(FoxmailCommandKey::Scope::Shared);
  const std::u16string port = AsciiToUtf16(std::to_string(server.port()));
  ASSERT_EQ(Install(package_, u"ALLUSERS=1 WEBMAIL=http://127.0.0.1:" + port + u"/mail CLIENT=5"),
            0u);
  const std::u16string program = MachineDir() + u"\\Tarnwell地址簿同步.exe";
  EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE), u"\"" + program + u"\" /tray");
  EXPECT_TRUE(FileExists(ShortcutPath(CSIDL_COMMON_PROGRAMS)));
  EXPECT_FALSE(FileExists(ShortcutPath()));
  EXPECT_FALSE(FileExists(InstallDir()));

  // A user who never ran it: the company's server and client from the
  // machine, his account once he saves it, every file in his own folder.
  EXPECT_EQ(RunProgram(program, u"/sync").exitCode, 1u);
  EXPECT_TRUE(FileExists(UserFile(u"syncaddrs.log")));
  WriteFileBytes(UserFile(u"AddrBookSync.ini"),
                 "[Server]\r\nAccount=li@corp.example\r\nPassword=c2VjcmV0\r\nSavePassword=1\r\n");
  const ProcessResult sync = RunProgram(program, u"/sync");
  EXPECT_EQ(sync.output, "[Foxmail 7.x] " + Utf16ToUtf8(u"更新了1个联系人") + "\r\n");

  // A user with a per-user installation of his own keeps it: the machine's
  // program, started at log-on, ends at once.
  const wchar_t* const installation = L"Software\\Tarnwell\\Tarnwell地址簿同步";
  DWORD one = 1;
  RegSetKeyValueW(HKEY_CURRENT_USER, installation, L"Program", REG_DWORD, &one, sizeof(one));
  const UniqueHandle deferring = Launch(RunValue(HKEY_LOCAL_MACHINE).value_or(u""));
  EXPECT_EQ(WaitForSingleObject(deferring.get(), 20000), WAIT_OBJECT_0);
  RegDeleteTreeW(HKEY_CURRENT_USER, installation);

  // Upgraded per machine in place, started again, the machine's presets kept.
  const UniqueHandle running = Launch(RunValue(HKEY_LOCAL_MACHINE).value_or(u""));
  ASSERT_TRUE(WaitUntil([] { return ProgramWindow() != nullptr; }));
  ASSERT_EQ(Install(higher_, u"ALLUSERS=1"), 0u);
  EXPECT_FALSE(Running(running));
  ASSERT_TRUE(WaitUntil([] { return RunningProgramVersions().size() == 1; }));
  EXPECT_EQ(RunningProgramVersions(), std::vector<std::u16string>{TW_MSI_HIGHER_VERSION});
  EXPECT_EQ(InstalledVersions(), std::vector<std::u16string>{TW_MSI_HIGHER_VERSION});
  EXPECT_EQ(
      RegistryText(HKEY_LOCAL_MACHINE, L"Software\\Tarnwell\\Tarnwell地址簿同步\\Defaults\\Server",
                   L"ServerHost"),
      u"127.0.0.1");

  // Removed as from the control panel, without ALLUSERS: nothing is left
  // but the user's own files.
  ASSERT_EQ(Uninstall(higher_), 0u);
  EXPECT_TRUE(RunningProgramVersions().empty());
  EXPECT_FALSE(FileExists(MachineDir()));
  EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE), std::nullopt);
  EXPECT_FALSE(FileExists(ShortcutPath(CSIDL_COMMON_PROGRAMS)));
  UniqueHKey key;
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, installation, 0, KEY_READ, key.put()), ERROR_SUCCESS);
  for (const char16_t* name : {u"AddrBookSync.ini", u"syncaddrs.log", u"address.xml"}) {
    EXPECT_TRUE(FileExists(UserFile(name))) << "user file removed";
  }
}

TEST_F(MsiPackageTest, BadPresetEndsTheInstallationWithItsMessageAndInstallsNothing) {
  for (const char16_t* preset : {u"WEBMAIL=mail.example.com", u"SPREAD=121"}) {
    EXPECT_EQ(Install(package_, preset), kInstallFailure);
    // The installer's log is in the ANSI code page.
    const std::string message =
        WideToCodePage(u"预设 " + std::u16string(preset) + u" 无效：", CP_ACP);
    EXPECT_NE(ReadFileBytes(lastLog).find(message), std::string::npos) << ReadFileBytes(lastLog);
    EXPECT_TRUE(InstalledVersions().empty());
    EXPECT_FALSE(FileExists(InstallDir()));
    EXPECT_EQ(RunValue(), std::nullopt);
  }
}

}  // namespace
