#include "xml/xml_text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

std::size_t FindEither(std::string_view text, std::size_t from, char a, char b) {
  const char* chars = text.data();
  std::size_t i = from;
#if defined(__SSE2__)
  // Attribute values are the bulk of an address book.
  const __m128i wantA = _mm_set1_epi8(a);
  const __m128i wantB = _mm_set1_epi8(b);
  for (; i + 16 <= text.size(); i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
    const int mask =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, wantA), _mm_cmpeq_epi8(block, wantB)));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < text.size(); ++i) {
    if (chars[i] == a || chars[i] == b) return i;
  }
  return text.size();
}

std::size_t FindEither(std::u16string_view text, std::size_t from, char16_t a, char16_t b) {
  const char16_t* chars = text.data();
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i wantA = _mm_set1_epi16(static_cast<short>(a));
  const __m128i wantB = _mm_set1_epi16(static_cast<short>(b));
  for (; i + 8 <= text.size(); i += 8) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
    const int mask = _mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi16(block, wantA), _mm_cmpeq_epi16(block, wantB)));
    if (mask != 0)
      return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 2;
  }
#endif
  for (; i < text.size(); ++i) {
    if (chars[i] == a || chars[i] == b) return i;
  }
  return text.size();
}
