#pragma once
// Percent-escapes in URL components.

#include <string>
#include <string_view>

// Replaces each "%XX" by the byte it stands for and reads the result as
// UTF-8 (malformed sequences become U+FFFD). A "%" without two hex digits
// stays as it is.
std::u16string DecodeUrlEscapes(std::u16string_view component);
