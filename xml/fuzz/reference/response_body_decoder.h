#pragma once
// Reference copy of net/response_body_decoder.h before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
// Turns a response body, read by read, into text: UTF-8 decoded as it
// arrives (a byte-order mark is kept as U+FEFF), so that the body is never
// held twice. Every 2048-byte slice of a read is zero-terminated text: what
// follows a zero byte up to the end of its slice is dropped, though every
// byte still counts towards the length received.

#include <cstddef>
#include <cstdint>
#include <string>

namespace reference {

class ResponseBodyDecoder {
 public:
  static constexpr size_t kSliceBytes = 2048;

  // Best effort: room for the text of a body of this many bytes, within a
  // limit, since a server may announce any length.
  void Reserve(uint64_t expectedBytes);
  // Throws std::bad_alloc when memory runs out.
  void Append(const char* data, size_t size);
  uint64_t received() const { return received_; }
  // The whole text; a character left unfinished at the end becomes U+FFFD.
  // Throws std::bad_alloc.
  std::u16string TakeText();

 private:
  std::u16string text_;
  std::string pending_;  // kept bytes not decoded yet: an unfinished character
  std::string scratch_;
  uint64_t received_ = 0;
};

// Where `bytes` may be cut so that decoding both parts gives the same text
// as decoding the whole: before a character that may still be unfinished,
// else at the end.
size_t Utf8CompletePrefix(const std::string& bytes);

}  // namespace reference
