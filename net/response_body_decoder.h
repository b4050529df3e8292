#pragma once
// Gathers a response body read by read. Every 2048-byte slice of a read is
// zero-terminated text: what follows a zero byte up to the end of its slice
// is dropped, though every byte still counts towards the length received.
// The bytes are kept as they arrived (UTF-8, a byte-order mark included);
// only a caller that wants UTF-16 has them decoded.

#include <cstddef>
#include <cstdint>
#include <string>

class ResponseBodyDecoder {
 public:
  static constexpr size_t kSliceBytes = 2048;

  // Best effort: room for a body of this many bytes, within a limit, since
  // a server may announce any length.
  void Reserve(uint64_t expectedBytes);
  // Throws std::bad_alloc when memory runs out.
  void Append(const char* data, size_t size);
  uint64_t received() const { return received_; }
  // The whole body as it was kept, handed over.
  std::string TakeBytes();
  // The whole body decoded from UTF-8; malformed sequences, and a character
  // left unfinished at the end, become U+FFFD. Throws std::bad_alloc.
  std::u16string TakeText();

 private:
  std::string bytes_;
  uint64_t received_ = 0;
};
