#pragma once
// The one place where UTF-8 and UTF-16 meet. Malformed input becomes
// U+FFFD; the functions report whether the input was well formed.

#include <cstddef>
#include <string>
#include <string_view>

std::u16string Utf8ToUtf16(std::string_view utf8, bool* valid = nullptr);
std::string Utf16ToUtf8(std::u16string_view utf16, bool* valid = nullptr);

// Decodes into `out`, which has room for utf8.size() units (never more are
// needed), and returns the number of units written.
std::size_t Utf8ToUtf16(std::string_view utf8, char16_t* out, bool* valid = nullptr);

// `bytes` with each malformed sequence replaced by the UTF-8 of U+FFFD
// exactly where Utf8ToUtf16 puts one, so the result is what encoding the
// decoded text gives. Well-formed input comes back unchanged, not copied.
std::string RepairUtf8(std::string bytes, bool* valid = nullptr);

// For texts known to be ASCII (numbers, keys).
std::u16string AsciiToUtf16(std::string_view ascii);
