#pragma once
// The password's stored form: standard Base64 (RFC 4648, padded, one line)
// of its bytes in the ANSI code page. No secrecy is claimed for it.

#include <string>
#include <string_view>

std::u16string Base64Encode(std::string_view bytes);

// Never fails: skips every character outside the alphabet ("=", blanks,
// line breaks, anything else); a final group of two or three characters
// gives one or two bytes, a single leftover character nothing.
std::string Base64DecodeLenient(std::u16string_view text);
