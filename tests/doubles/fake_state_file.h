#pragma once
// Lets a fake's contents outlive its process: when the environment
// variable a fake names holds a file path, the fake loads its entries from
// that file when it starts and writes them back after every change. Tests
// that run the program itself use it to fill the fake beforehand and read
// it afterwards. One entry per line, fields separated by tabs, UTF-16.

#include <windows.h>

#include <string>
#include <vector>

namespace fakestate {

using Row = std::vector<std::wstring>;

inline std::wstring PathFromEnvironment(const wchar_t* variable) {
  std::wstring path(MAX_PATH, L'\0');
  DWORD n = GetEnvironmentVariableW(variable, path.data(), static_cast<DWORD>(path.size()));
  if (n >= path.size()) {
    path.resize(n);
    n = GetEnvironmentVariableW(variable, path.data(), static_cast<DWORD>(path.size()));
  }
  path.resize(n < path.size() ? n : 0);
  return path;
}

inline std::vector<Row> Read(const std::wstring& path) {
  std::vector<Row> rows;
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return rows;
  std::wstring text;
  wchar_t buffer[2048];
  DWORD bytes = 0;
  while (ReadFile(file, buffer, sizeof buffer, &bytes, nullptr) && bytes > 0) {
    text.append(buffer, bytes / sizeof(wchar_t));
  }
  CloseHandle(file);
  size_t start = 0;
  for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
    Row row;
    const std::wstring line = text.substr(start, end - start);
    size_t from = 0;
    for (size_t tab; (tab = line.find(L'\t', from)) != std::wstring::npos; from = tab + 1) {
      row.push_back(line.substr(from, tab - from));
    }
    row.push_back(line.substr(from));
    rows.push_back(std::move(row));
  }
  return rows;
}

inline void Write(const std::wstring& path, const std::vector<Row>& rows) {
  std::wstring text;
  for (const Row& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) text += (i ? L"\t" : L"") + row[i];
    text += L"\n";
  }
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
            nullptr);
  CloseHandle(file);
}

// A fake's one state, loaded from its state file on first use.
template <typename State, void (*Load)(State&)>
State& LoadedOnce() {
  static State state = [] {
    State initial;
    Load(initial);
    return initial;
  }();
  return state;
}

}  // namespace fakestate
