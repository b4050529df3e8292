#pragma once
// The one place where UTF-8 and UTF-16 meet. Malformed input becomes
// U+FFFD; the functions report whether the input was well formed.

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

std::u16string Utf8ToUtf16(std::string_view utf8, bool* valid = nullptr);
std::string Utf16ToUtf8(std::u16string_view utf16, bool* valid = nullptr);

// Decodes into `out`, which has room for utf8.size() units (never more are
// needed), and returns the number of units written.
std::size_t Utf8ToUtf16(std::string_view utf8, char16_t* out, bool* valid = nullptr);

// `bytes` with each malformed sequence replaced by the UTF-8 of U+FFFD
// exactly where Utf8ToUtf16 puts one, so the result is what encoding the
// decoded text gives. Well-formed input comes back unchanged, not copied.
std::string RepairUtf8(std::string bytes, bool* valid = nullptr);

// RepairUtf8 for bytes that arrive piece by piece: Take gives what
// RepairUtf8 gives for all of them together. Each piece is repaired as it
// is added, while it is still in the processor's cache, so what is kept is
// known at every step and a well-formed text is never read a second time.
class Utf8Repairer {
 public:
  static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);

  // The repaired text may take at most `limit` bytes.
  explicit Utf8Repairer(std::size_t limit = kNoLimit) : limit_(limit) {}
  Utf8Repairer(Utf8Repairer&& other) noexcept { *this = std::move(other); }
  Utf8Repairer& operator=(Utf8Repairer&& other) noexcept {
    bytes_ = std::exchange(other.bytes_, {});
    limit_ = std::exchange(other.limit_, kNoLimit);
    tailSize_ = std::exchange(other.tailSize_, 0);
    std::memcpy(tail_, other.tail_, sizeof(tail_));
    return *this;
  }

  // Room for this many bytes in all, and no more: std::string's own reserve
  // may round up to twice what it held.
  void Reserve(std::size_t bytes);
  // False, with only part of the piece kept, when the text would pass the
  // limit. Throws std::bad_alloc like std::string.
  bool Append(std::string_view piece);
  // The bytes kept so far (a character still unfinished included).
  std::size_t size() const { return bytes_.size() + tailSize_; }
  // The repaired text; the repairer is empty afterwards.
  std::string Take();

 private:
  bool Room(std::size_t more);
  bool Put(const unsigned char* from, std::size_t count);
  bool KeepTail(const unsigned char* from, const unsigned char* end);
  const unsigned char* RepairInto(const unsigned char* p, const unsigned char* stop,
                                  const unsigned char* end, bool& cut, bool& full);

  std::string bytes_;  // repaired
  std::size_t limit_ = kNoLimit;
  // A character the last piece may have cut: its first bytes, at most three.
  unsigned char tail_[3] = {};
  std::size_t tailSize_ = 0;
};

// For texts known to be ASCII (numbers, keys).
std::u16string AsciiToUtf16(std::string_view ascii);
