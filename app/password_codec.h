#pragma once
// Standard Base64 (RFC 4648, padded, one line): the text form of the
// protected password, and the form older versions stored the password's
// ANSI bytes in, which hides nothing.

#include <string>
#include <string_view>

std::u16string Base64Encode(std::string_view bytes);

// Never fails: skips every character outside the alphabet ("=", blanks,
// line breaks, anything else); a final group of two or three characters
// gives one or two bytes, a single leftover character nothing.
std::string Base64DecodeLenient(std::u16string_view text);
