#pragma once
// Decoding of the five predefined XML entities.

#include <optional>
#include <string>
#include <string_view>

// Replaces &lt; &gt; &amp; &apos; &quot; (letter case ignored) by their
// characters. Any other "&" sequence, named or numeric, makes the whole text
// undecodable: the result is then absent.
std::optional<std::u16string> DecodeXmlEntities(std::u16string_view text);
