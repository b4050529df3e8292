#pragma once
// The one place where UTF-8 and UTF-16 meet. Malformed input becomes
// U+FFFD; the functions report whether the input was well formed.

#include <cstddef>
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
// RepairUtf8 gives for all of them together. Each piece is checked as it
// is added, while it is still in the processor's cache, so a well-formed
// text is never read a second time.
class Utf8Repairer {
 public:
  Utf8Repairer() = default;
  Utf8Repairer(Utf8Repairer&& other) noexcept { *this = std::move(other); }
  Utf8Repairer& operator=(Utf8Repairer&& other) noexcept {
    bytes_ = std::exchange(other.bytes_, {});
    checked_ = std::exchange(other.checked_, 0);
    malformed_ = std::exchange(other.malformed_, false);
    return *this;
  }

  void Reserve(std::size_t bytes) { bytes_.reserve(bytes); }
  // Throws std::bad_alloc like std::string.
  void Append(std::string_view piece);
  std::size_t size() const { return bytes_.size(); }
  // The repaired text; the repairer is empty afterwards.
  std::string Take();

 private:
  std::string bytes_;
  std::size_t checked_ = 0;  // bytes_ up to here is well formed and ends between characters
  bool malformed_ = false;   // a malformed sequence lies after checked_
};

// For texts known to be ASCII (numbers, keys).
std::u16string AsciiToUtf16(std::string_view ascii);
