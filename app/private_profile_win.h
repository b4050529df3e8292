#pragma once
// AddrBookSync.ini through the platform's private-profile functions, and
// the thread's ANSI code page for the password of older files.

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

class ThreadAnsiCodePage final : public IAnsiCodePage {
 public:
  std::u16string ToWide(const std::string& bytes) override;
};
