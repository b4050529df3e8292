#pragma once
// Reference copy of xml/xml_entities.h before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
// Decoding of the five predefined XML entities.

#include <cstddef>
#include <string_view>

namespace reference {

inline constexpr std::size_t kUndecodable = static_cast<std::size_t>(-1);

// Writes `text` to `out` (room for text.size() characters) with &lt; &gt;
// &amp; &apos; &quot; (letter case ignored) replaced by their characters and
// returns the length written. Any other "&" sequence, named or numeric,
// makes the text undecodable: the result is then kUndecodable.
std::size_t DecodeXmlEntities(std::u16string_view text, char16_t* out);

}  // namespace reference
