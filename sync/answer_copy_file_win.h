#pragma once
// address.xml: the last answer as it came, in UTF-8.

#include <string>

#include "sync/sync_run.h"

class AnswerCopyFile final : public IAnswerCopy {
 public:
  explicit AnswerCopyFile(std::u16string path) : path_(std::move(path)) {}
  [[nodiscard]] bool Save(std::string_view answer) override;

 private:
  std::u16string path_;
};
