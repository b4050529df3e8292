#pragma once
// The application's message boxes: OK button, the application name as
// caption.

#include <windows.h>

#include <string>

#include "sync/sync_run.h"

inline constexpr char16_t kAppName[] = u"Tarnwell地址簿同步";

class MessageBoxSink final : public IMessageSink {
 public:
  // With an owner, the box is the owner's: a second launch brings it forward.
  explicit MessageBoxSink(HWND owner = nullptr) : owner_(owner) {}
  void Show(const std::u16string& text, MessageIcon icon) override;

 private:
  HWND owner_;
};
