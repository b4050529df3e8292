#pragma once
// The mail server's answer as a run keeps it: the body's UTF-8, with every
// malformed sequence already replaced by U+FFFD the way decoding replaces
// it. So it goes to address.xml as it is, and any part of it decodes to the
// same text the whole body would have decoded to.

#include <string>
#include <string_view>
#include <utility>

#include "common/utf_convert.h"

class AnswerText {
 public:
  AnswerText() = default;
  // The body's bytes as they arrived.
  explicit AnswerText(std::string bytes) : utf8_(RepairUtf8(std::move(bytes))) {}
  // The body as it was gathered, checked piece by piece.
  explicit AnswerText(Utf8Repairer&& body) : utf8_(body.Take()) {}

  const std::string& Utf8() const { return utf8_; }
  std::size_t size() const { return utf8_.size(); }

 private:
  std::string utf8_;
};
