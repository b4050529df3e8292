#pragma once
// Helpers for tests that run under Wine: a scratch folder and whole-file
// reads and writes.

#include <windows.h>

#include <functional>
#include <string>

#include "app/policy_values.h"
#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"

// A fresh folder under the temp directory, removed with its files.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::u16string& path() const { return path_; }
  std::u16string File(const std::u16string& name) const { return path_ + u"\\" + name; }

 private:
  std::u16string path_;
};

bool FileExists(const std::u16string& path);
std::string ReadFileBytes(const std::u16string& path);
void WriteFileBytes(const std::u16string& path, const std::string& bytes);

struct ProcessResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;  // standard output
};
// Starts a program with arguments; with `output`, its standard output and
// error go there. The process, or nothing.
UniqueHandle StartProcess(const std::u16string& exe, const std::u16string& arguments,
                          HANDLE output = nullptr, DWORD* pid = nullptr);
// Runs a program with arguments and waits for it (60 s at most).
ProcessResult RunProgram(const std::u16string& exe, const std::u16string& arguments);

// Polls `condition` until it holds or `ms` have passed, dispatching this
// thread's messages meanwhile.
bool WaitUntil(const std::function<bool()>& condition, DWORD ms = 20000);

// The path of a file of the Linux build tree as Wine sees it.
std::u16string HostPath(const char* unixPath);

// A copy of the program in a folder of its own, where it keeps its
// settings, log and answer copy.
class ProgramFolder {
 public:
  ProgramFolder();
  const std::u16string& exe() const { return exe_; }
  std::u16string File(const std::u16string& name) const { return dir_.File(name); }
  // AddrBookSync.ini for the server on loopback at `port`, account
  // zhang@corp.example; `general` and `password` are lines of their sections.
  void WriteSettings(int emailClient, uint16_t port, const std::string& general = "",
                     const std::string& password = "Password=c2VjcmV0\r\n") const;
  ProcessResult Sync() const { return RunProgram(exe_, u"/sync"); }
  std::string Log() const { return ReadFileBytes(File(u"syncaddrs.log")); }

 private:
  ScratchDir dir_;
  std::u16string exe_;
};

// The administrator's policy keys (HKLM and HKCU), which every program in
// the prefix reads: a case that sets them runs alone (RUN_SERIAL). Removed
// before and after.
struct PolicyKeys {
  PolicyKeys() { Clear(); }
  ~PolicyKeys() { Clear(); }
  static bool Set(HKEY root, const wchar_t* name, DWORD type, const void* data, size_t bytes) {
    return RegSetKeyValueW(root, AsWide(kPolicyKey), name, type, data, static_cast<DWORD>(bytes)) ==
           ERROR_SUCCESS;
  }
  static bool Set(HKEY root, const wchar_t* name, const std::u16string& text) {
    return Set(root, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  }
  static bool Set(HKEY root, const wchar_t* name, DWORD number) {
    return Set(root, name, REG_DWORD, &number, sizeof(number));
  }
  static void Clear() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
      RegDeleteTreeW(root, AsWide(kPolicyKey));
  }
};
