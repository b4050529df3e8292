#include "foxmail7/foxmail7_test_support_win.h"

#include <atomic>
#include <filesystem>
#include <set>

#include "common/utf_convert.h"
#include "common/win/wide_text_win.h"

namespace {

constexpr wchar_t kFoxmailKey[] = L"SOFTWARE\\Classes\\Foxmail";
constexpr wchar_t kCommandKey[] = L"SOFTWARE\\Classes\\Foxmail\\shell\\open\\command";

std::string UniqueSuffix() {
  static std::atomic<int> next{0};
  return std::to_string(GetCurrentProcessId()) + "_" + std::to_string(next++);
}

}  // namespace

std::u16string Foxmail7Dummy(const std::string& name) {
  return HostPath((std::string(TW_FOXMAIL7_DUMMY_DIR) + "/" + name + ".exe").c_str());
}

FoxmailCommandKey::FoxmailCommandKey(Scope scope) {
  if (scope == Scope::Private) {
    scratchPath_ = u"Software\\TarnwellTests\\Machine" + AsciiToUtf16(UniqueSuffix());
    if (RegCreateKeyExW(HKEY_CURRENT_USER, AsWide(scratchPath_), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, scratchKey_.put(), nullptr) == ERROR_SUCCESS) {
      RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratchKey_.get());
    }
    return;
  }
  turn_.emplace(kFoxmailCommandKeyTurn);
  Remove();
}

FoxmailCommandKey::~FoxmailCommandKey() {
  Remove();
  if (scratchKey_) {
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    scratchKey_.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, AsWide(scratchPath_));
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\TarnwellTests");  // when no other test uses it
  }
}

bool FoxmailCommandKey::Set(const std::u16string& command, DWORD type) {
  UniqueHKey key;
  return RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCommandKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                         key.put(), nullptr) == ERROR_SUCCESS &&
         RegSetValueExW(key.get(), nullptr, 0, type, reinterpret_cast<const BYTE*>(AsWide(command)),
                        static_cast<DWORD>((command.size() + 1) * sizeof(char16_t))) ==
             ERROR_SUCCESS;
}

void FoxmailCommandKey::Remove() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kFoxmailKey); }

TestFoxmail7Installation::TestFoxmail7Installation(FoxmailCommandKey::Scope scope)
    : key(scope),
      installDir(scratch_.path() + u"\\Foxmail 7.2\\"),
      exeName(u"Fm7Probe" + AsciiToUtf16(UniqueSuffix()) + u".exe"),
      exePath(installDir + exeName),
      addressDir(installDir + u"Data\\Address\\2.5"),
      folder(addressDir + u"\\400") {
  for (const std::u16string& dir :
       {installDir, installDir + u"Data", installDir + u"Data\\Address", addressDir}) {
    CreateDirectoryW(AsWide(dir), nullptr);
  }
  UseDummy("fm7_version_7_2_5_140");
  key.Set(u"\"" + exePath + u"\" \"%1\"");
}

void TestFoxmail7Installation::UseDummy(const std::string& name) {
  CopyFileW(AsWide(Foxmail7Dummy(name)), AsWide(exePath), FALSE);
}

void TestFoxmail7Installation::GiveUserFolder() {
  CreateDirectoryW(AsWide(folder), nullptr);
  CreateDirectoryW(AsWide(folder + u"\\mine"), nullptr);
  WriteFileBytes(folder + u"\\AddrData.hea", "the user's own contacts");
  WriteFileBytes(folder + u"\\mine\\notes.txt", "notes");
}

std::string TestFoxmail7Installation::FolderFile(Foxmail7File file) const {
  return ReadFileBytes(folder + u"\\" + std::u16string(Foxmail7FileName(file)));
}

RunningDummy::RunningDummy(const std::u16string& exePath) {
  const std::string eventName = "TarnwellTestsStop_" + UniqueSuffix();
  stop_.reset(CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()));
  if (!stop_) return;
  std::u16string commandLine = u"\"" + exePath + u"\" " + AsciiToUtf16(eventName);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(AsWide(exePath), AsWideBuffer(commandLine), nullptr, nullptr, FALSE, 0,
                     nullptr, nullptr, &si, &pi)) {
    UniqueHandle thread(pi.hThread);
    process_.reset(pi.hProcess);
  }
}

void RunningDummy::Stop() {
  if (!process_) return;
  SetEvent(stop_.get());
  if (WaitForSingleObject(process_.get(), 20000) != WAIT_OBJECT_0) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 20000);
  }
  process_.reset();
}

std::u16string ListDirectory(const std::u16string& dir) {
  std::set<std::u16string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(dir), error)) {
    names.insert(entry.path().filename().u16string() + (entry.is_directory() ? u"\\|" : u"|"));
  }
  std::u16string list;
  for (const auto& name : names) list += name;
  return list;
}
