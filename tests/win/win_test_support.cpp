#include "win_test_support.h"

#include <shellapi.h>

#include <atomic>

#include "common/utf_convert.h"
#include "common/win/scoped_handles.h"

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  path_ = FromWide(temp) + u"tw-test-" + AsciiToUtf16(std::to_string(GetCurrentProcessId())) +
          u"-" + AsciiToUtf16(std::to_string(counter++));
  CreateDirectoryW(AsWide(path_), nullptr);
}

ScratchDir::~ScratchDir() {
  std::u16string from = path_ + u'\0';  // double-NUL-terminated list
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = AsWide(from);
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
}

bool FileExists(const std::u16string& path) {
  return GetFileAttributesW(AsWide(path)) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::u16string& path) {
  UniqueHandle file(CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string out;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(file.get(), buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
  return out;
}

void WriteFileBytes(const std::u16string& path, const std::string& bytes) {
  UniqueHandle file(
      CreateFileW(AsWide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD n = 0;
  if (file) WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
}

UniqueHandle StartProcess(const std::u16string& exe, const std::u16string& arguments, HANDLE output,
                          DWORD* pid) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  if (output) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = output;
    si.hStdError = output;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION pi{};
  std::u16string commandLine = u"\"" + exe + u"\" " + arguments;
  if (!CreateProcessW(AsWide(exe), AsWideBuffer(commandLine), nullptr, nullptr, output != nullptr,
                      0, nullptr, nullptr, &si, &pi)) {
    return {};
  }
  UniqueHandle thread(pi.hThread);
  if (pid) *pid = pi.dwProcessId;
  return UniqueHandle(pi.hProcess);
}

ProcessResult RunProgram(const std::u16string& exe, const std::u16string& arguments) {
  ProcessResult result;
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return result;
  UniqueHandle reader(readEnd);
  UniqueHandle writer(writeEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  const UniqueHandle process = StartProcess(exe, arguments, writeEnd);
  if (!process) return result;
  writer.reset();  // only the child holds the write end now

  // Read until the child has ended, not until the pipe closes: Wine's own
  // helper processes may inherit the write end and keep it open.
  auto drain = [&] {
    DWORD available = 0;
    while (PeekNamedPipe(reader.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
      char buf[4096];
      DWORD n = 0;
      if (!ReadFile(reader.get(), buf, sizeof buf, &n, nullptr) || n == 0) break;
      result.output.append(buf, n);
    }
  };
  const ULONGLONG deadline = GetTickCount64() + 60000;
  while (WaitForSingleObject(process.get(), 20) == WAIT_TIMEOUT && GetTickCount64() < deadline) {
    drain();
  }
  drain();
  GetExitCodeProcess(process.get(), &result.exitCode);
  return result;
}

std::u16string HostPath(const char* unixPath) {
  std::u16string path = u"Z:" + Utf8ToUtf16(unixPath);
  for (auto& c : path) {
    if (c == u'/') c = u'\\';
  }
  return path;
}

ProgramFolder::ProgramFolder() : exe_(dir_.File(u"Tarnwell地址簿同步.exe")) {
  CopyFileW(AsWide(HostPath(TW_APP_EXE)), AsWide(exe_), FALSE);
}

void ProgramFolder::WriteSettings(int emailClient, uint16_t port, const std::string& general,
                                  const std::string& password) const {
  WriteFileBytes(File(u"AddrBookSync.ini"),
                 "[General]\r\nEmailClient=" + std::to_string(emailClient) + "\r\n" + general +
                     "[Server]\r\nServerHost=127.0.0.1\r\nServerPort=" + std::to_string(port) +
                     "\r\nAccount=zhang@corp.example\r\n" + password + "SavePassword=1\r\n");
}

bool WaitUntil(const std::function<bool()>& condition, DWORD ms) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() > deadline) return false;
    // Let the program run; nothing here needs a fixed pause.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
}
