#pragma once
// Shared plumbing of the fakes' control headers: a DLL of ours loaded by
// path, its control functions found by name, and texts it hands back.

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/scoped_handles.h"
#include "common/win/wide_text_win.h"
#include "tests/support/test_turn_win.h"

// Sets an environment variable of this process (which programs it starts
// inherit) for the object's lifetime.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const std::u16string& name, const std::u16string& value) : name_(name) {
    SetEnvironmentVariableW(AsWide(name_), AsWide(value));
  }
  ~ScopedEnvironmentVariable() { SetEnvironmentVariableW(AsWide(name_), nullptr); }
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  std::u16string name_;
};

class FakeLibrary {
 public:
  // The loader gives a module already loaded under the same path (by the
  // writer or by COM) back as the same instance, so this sees its memory.
  explicit FakeLibrary(const std::u16string& path) : module_(LoadLibraryW(AsWide(path))) {}
  bool loaded() const { return module_.valid(); }

  // The export `name` as a function of type `Fn`; null when missing.
  template <typename Fn>
  Fn Find(const char* name) const {
    if (!module_) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
  }

  // Calls the export `name` of type `Fn`; a missing one does nothing and
  // gives a default value.
  template <typename Fn, typename... Args>
  auto Call(const char* name, Args... args) const {
    Fn fn = Find<Fn>(name);
    using Result = decltype(fn(args...));
    if (!fn) return Result();
    return fn(args...);
  }

  // Calls an export that fills a text buffer and returns the length it
  // needs, and splits the text into its lines.
  template <typename... Args>
  std::vector<std::u16string> Lines(const char* name, Args... args) const {
    using Fn = int (*)(Args..., wchar_t*, int);
    Fn describe = Find<Fn>(name);
    if (!describe) return {};
    std::u16string text(describe(args..., nullptr, 0), u'\0');
    describe(args..., AsWideBuffer(text), static_cast<int>(text.size() + 1));
    std::vector<std::u16string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(u'\n', start)) != std::u16string::npos; start = end + 1) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }

 private:
  UniqueHModule module_;
};

// Sets a registry value for the object's lifetime and puts back what was
// there before (or removes the value again).
class RegistryValueOverride {
 public:
  RegistryValueOverride(HKEY root, const std::u16string& subkey, const std::u16string& name)
      : root_(root), subkey_(subkey), name_(name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, AsWide(subkey_), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    UniqueHKey owned(key);
    DWORD size = 0;
    if (RegQueryValueExW(key, ValueName(), nullptr, &previousType_, nullptr, &size) !=
        ERROR_SUCCESS) {
      return;
    }
    previous_.resize(size);
    if (RegQueryValueExW(key, ValueName(), nullptr, &previousType_, previous_.data(), &size) ==
        ERROR_SUCCESS) {
      previous_.resize(size);
      hadValue_ = true;
    }
  }
  ~RegistryValueOverride() {
    if (hadValue_) {
      Write(previousType_, previous_.data(), static_cast<DWORD>(previous_.size()));
    } else {
      Remove();
    }
  }
  RegistryValueOverride(const RegistryValueOverride&) = delete;
  RegistryValueOverride& operator=(const RegistryValueOverride&) = delete;

  bool SetText(const std::u16string& text, DWORD type = REG_SZ) {
    return Write(type, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
  }
  void Remove() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, AsWide(subkey_), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    UniqueHKey owned(key);
    RegDeleteValueW(key, ValueName());
  }

 private:
  const wchar_t* ValueName() const { return name_.empty() ? nullptr : AsWide(name_); }
  bool Write(DWORD type, const BYTE* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root_, AsWide(subkey_), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      return false;
    }
    UniqueHKey owned(key);
    return RegSetValueExW(key, ValueName(), 0, type, data, size) == ERROR_SUCCESS;
  }

  HKEY root_;
  std::u16string subkey_;
  std::u16string name_;
  bool hadValue_ = false;
  DWORD previousType_ = 0;
  std::vector<BYTE> previous_;
};
