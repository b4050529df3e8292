#pragma once
// AddrBookSync.ini through the platform's private-profile functions, and
// the thread's ANSI code page for the password of older files.

#include <windows.h>

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

// This Windows user's turn at the settings file, taken by every process of
// the user (the tray program, "/sync") for every rewrite and for a read
// that must not meet the file mid-swap; waited for 10 seconds at most. A
// thread may take it again while it holds it.
class ProfileTurn {
 public:
  ProfileTurn();
  ~ProfileTurn();
  ProfileTurn(const ProfileTurn&) = delete;
  ProfileTurn& operator=(const ProfileTurn&) = delete;
  bool held() const { return held_; }

 private:
  HANDLE mutex_;
  bool held_ = false;
};

// The one way the file is changed: whole or not at all, in the user's
// ProfileTurn. `write` works on a copy beside the file, of this writer's
// own, which replaces it (written through to the disk) only when every
// write took. Keys the program does not know, and the file's encoding,
// stay as they were. False, and nothing changed, also when the turn could
// not be had.
[[nodiscard]] bool RewriteProfile(const std::u16string& path,
                                  const std::function<bool(IProfile&)>& write);

class ThreadAnsiCodePage final : public IAnsiCodePage {
 public:
  std::u16string ToWide(const std::string& bytes) override;
};
