#pragma once
// Gathers a response body read by read. Every 2048-byte slice of the body,
// counted from its start, is zero-terminated text: what follows a zero byte
// up to the end of its slice is dropped, though every byte still counts
// towards the length received.
// The text stays UTF-8 (a byte-order mark included), repaired read by read.
// The limit counts the text
// kept, which is what takes memory: a compressed answer's bytes on the wire
// say nothing of it, and a malformed byte is kept as three.

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/utf_convert.h"

class ResponseBodyDecoder {
 public:
  static constexpr size_t kSliceBytes = 2048;

  explicit ResponseBodyDecoder(uint64_t keptLimit = UINT64_MAX);

  // Best effort: room for a body of this many bytes, within the limit, since
  // a server may announce any length.
  void Reserve(uint64_t expectedBytes);
  // False when the text kept would pass the limit; the body is then of no
  // use. Throws std::bad_alloc when memory runs out.
  bool Append(const char* data, size_t size);
  uint64_t received() const { return received_; }
  // The whole body, handed over; its Take gives the text with malformed
  // sequences, and a character left unfinished at the end, as U+FFFD.
  Utf8Repairer TakeUtf8();

 private:
  uint64_t limit_;
  Utf8Repairer text_;
  uint64_t received_ = 0;
  bool cutting_ = false;  // a zero byte came earlier in the slice going
};
