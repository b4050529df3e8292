#pragma once
// The application's message boxes: OK button, the application name as
// caption.

#include <string>

#include "sync/sync_run.h"

inline constexpr char16_t kAppName[] = u"Tarnwell地址簿同步";

class MessageBoxSink final : public IMessageSink {
 public:
  void Show(const std::u16string& text, MessageIcon icon) override;
};
