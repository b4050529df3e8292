#pragma once
// Reference copy of common/utf_convert.h before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
// The one place where UTF-8 and UTF-16 meet. Malformed input becomes
// U+FFFD; the functions report whether the input was well formed.

#include <string>
#include <string_view>

namespace reference {

std::u16string Utf8ToUtf16(std::string_view utf8, bool* valid = nullptr);
std::string Utf16ToUtf8(std::u16string_view utf16, bool* valid = nullptr);

// For texts known to be ASCII (numbers, keys).
std::u16string AsciiToUtf16(std::string_view ascii);

}  // namespace reference
