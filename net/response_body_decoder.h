#pragma once
// Gathers a response body read by read. Every 2048-byte slice of a read is
// zero-terminated text: what follows a zero byte up to the end of its slice
// is dropped, though every byte still counts towards the length received.
// The text stays UTF-8 (a byte-order mark included), checked read by read;
// only a caller that wants UTF-16 has it decoded.

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/utf_convert.h"

class ResponseBodyDecoder {
 public:
  static constexpr size_t kSliceBytes = 2048;

  // Best effort: room for a body of this many bytes, within a limit, since
  // a server may announce any length.
  void Reserve(uint64_t expectedBytes);
  // Throws std::bad_alloc when memory runs out.
  void Append(const char* data, size_t size);
  uint64_t received() const { return received_; }
  // The whole body, handed over; its Take gives the text with malformed
  // sequences, and a character left unfinished at the end, as U+FFFD.
  Utf8Repairer TakeUtf8();
  // The whole body decoded from UTF-8, with U+FFFD as above. Throws
  // std::bad_alloc.
  std::u16string TakeText();

 private:
  Utf8Repairer text_;
  uint64_t received_ = 0;
};
