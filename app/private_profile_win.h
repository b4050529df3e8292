#pragma once
// AddrBookSync.ini through the platform's private-profile functions, and
// the thread's ANSI code page for the password of older files.

#include <functional>
#include <string>

#include "app/settings_codec.h"

class PrivateProfile final : public IProfile {
 public:
  explicit PrivateProfile(std::u16string path) : path_(std::move(path)) {}
  int32_t ReadInt(const std::u16string& section, const std::u16string& key,
                  int32_t defaultValue) override;
  std::u16string ReadString(const std::u16string& section, const std::u16string& key,
                            const std::u16string& defaultValue) override;
  [[nodiscard]] bool WriteString(const std::u16string& section, const std::u16string& key,
                   const std::u16string& value) override;

 private:
  std::u16string path_;
};

// Changes the file whole or not at all: `write` works on a copy beside it,
// which replaces the file (written through to the disk) only when every
// write took. Keys the program does not know, and the file's encoding,
// stay as they were. Writes of this process take turns.
[[nodiscard]] bool RewriteProfile(const std::u16string& path,
                                  const std::function<bool(IProfile&)>& write);

class ThreadAnsiCodePage final : public IAnsiCodePage {
 public:
  std::u16string ToWide(const std::string& bytes) override;
};
