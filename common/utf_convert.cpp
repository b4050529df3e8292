#include "common/utf_convert.h"

#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Reads the sequence at p, whose lead is not ASCII, into `cp` and returns
// its end. A malformed sequence takes its lead and the continuation bytes
// it claimed, gives U+FFFD and clears `wellFormed`.
inline const unsigned char* DecodeSequence(const unsigned char* p, const unsigned char* end,
                                           char32_t& cp, bool& wellFormed) {
  const unsigned char lead = *p;
  int extra = 0;
  char32_t min = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1; cp = lead & 0x1F; min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2; cp = lead & 0x0F; min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3; cp = lead & 0x07; min = 0x10000;
  } else {
    cp = kReplacement;
    wellFormed = false;
    return p + 1;
  }
  const unsigned char* q = p + 1;
  int got = 0;
  while (got < extra && q < end && (*q & 0xC0) == 0x80) {
    cp = (cp << 6) | (*q & 0x3F);
    ++q;
    ++got;
  }
  if (got < extra || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    // Skip the lead and any continuation bytes it claimed: one U+FFFD each run.
    cp = kReplacement;
    wellFormed = false;
  }
  return q;
}

bool AllAscii(const unsigned char* p) {
  uint64_t chunk;
  std::memcpy(&chunk, p, sizeof chunk);
  return (chunk & 0x8080808080808080ULL) == 0;
}

// The first malformed sequence at or after p, or `end`. This check runs
// over every answer as it arrives, so it skips ASCII sixteen bytes at a
// time and takes three-byte characters (Chinese) without the general
// decoder.
const unsigned char* FindMalformed(const unsigned char* p, const unsigned char* const end) {
  while (p < end) {
#if defined(__SSE2__)
    if (end - p >= 16) {
      const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
      if (high == 0) {
        p += 16;
        continue;
      }
      p += __builtin_ctz(static_cast<unsigned>(high));
    }
#endif
    const unsigned char lead = *p;
    if (lead < 0x80) {
      ++p;
      continue;
    }
    if ((lead & 0xF0) == 0xE0 && end - p >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80 &&
        (lead != 0xE0 || p[1] >= 0xA0) &&   // not overlong
        (lead != 0xED || p[1] < 0xA0)) {    // not a surrogate
      p += 3;
      continue;
    }
    char32_t cp = 0;
    bool wellFormed = true;
    const unsigned char* const next = DecodeSequence(p, end, cp, wellFormed);
    if (!wellFormed) return p;
    p = next;
  }
  return end;
}

}  // namespace

std::size_t Utf8ToUtf16(std::string_view in, char16_t* out, bool* valid) {
  // Runs of ASCII, the bulk of an address book, go eight bytes at a time.
  char16_t* o = out;
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  const unsigned char* const end = p + in.size();
  bool ok = true;
  while (p < end) {
    if (end - p >= 8 && AllAscii(p)) {
      for (int k = 0; k < 8; ++k) o[k] = p[k];
      o += 8;
      p += 8;
      continue;
    }
    if (*p < 0x80) {
      *o++ = *p++;
      continue;
    }
    char32_t cp = 0;
    p = DecodeSequence(p, end, cp, ok);
    if (cp < 0x10000) {
      *o++ = static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
  }
  if (valid) *valid = ok;
  return static_cast<std::size_t>(o - out);
}

std::u16string Utf8ToUtf16(std::string_view in, bool* valid) {
  // One UTF-16 unit per byte at most: size once, write through a pointer,
  // trim at the end.
  std::u16string out(in.size(), u'\0');
  out.resize(Utf8ToUtf16(in, out.data(), valid));
  return out;
}

namespace {

// RepairUtf8 of `bytes` whose first `checked` bytes are known to be well
// formed and to end between characters.
std::string RepairAfter(std::string bytes, std::size_t checked, bool* valid) {
  const auto* const begin = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* const end = begin + bytes.size();
  // Most answers are well formed: nothing is written unless one is not.
  const unsigned char* const bad = FindMalformed(begin + checked, end);
  if (valid) *valid = bad == end;
  if (bad == end) return bytes;

  std::string out(reinterpret_cast<const char*>(begin), static_cast<size_t>(bad - begin));
  out.reserve(bytes.size() + 16);
  for (const unsigned char* p = bad; p < end;) {
    if (*p < 0x80) {
      out.push_back(static_cast<char>(*p++));
      continue;
    }
    char32_t cp = 0;
    bool wellFormed = true;
    const unsigned char* const next = DecodeSequence(p, end, cp, wellFormed);
    if (!wellFormed) {
      out += "\xEF\xBF\xBD";
    } else {
      out.append(reinterpret_cast<const char*>(p), static_cast<size_t>(next - p));
    }
    p = next;
  }
  return out;
}

}  // namespace

std::string RepairUtf8(std::string bytes, bool* valid) {
  return RepairAfter(std::move(bytes), 0, valid);
}

void Utf8Repairer::Append(std::string_view piece) {
  bytes_.append(piece);
  if (malformed_) return;
  const auto* const begin = reinterpret_cast<const unsigned char*>(bytes_.data());
  const unsigned char* const end = begin + bytes_.size();
  const unsigned char* const bad = FindMalformed(begin + checked_, end);
  checked_ = static_cast<std::size_t>(bad - begin);
  if (bad == end) return;
  // A character cut at the end of the piece may still be completed by the
  // next one: only its lead and continuation bytes so far, fewer than it needs.
  const unsigned char lead = *bad;
  const std::ptrdiff_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  bool cut = lead >= 0xC2 && lead <= 0xF4 && end - bad < needed;
  for (const unsigned char* q = bad + 1; cut && q < end; ++q) cut = (*q & 0xC0) == 0x80;
  malformed_ = !cut;
}

std::string Utf8Repairer::Take() {
  std::string repaired = RepairAfter(std::move(bytes_), checked_, nullptr);
  bytes_.clear();
  checked_ = 0;
  malformed_ = false;
  return repaired;
}

std::string Utf16ToUtf8(std::u16string_view in, bool* valid) {
  std::string out;
  out.reserve(in.size() * 3);
  bool ok = true;
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() &&
        in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
      ok = false;
    }
    AppendUtf8(out, cp);
  }
  if (valid) *valid = ok;
  return out;
}

std::u16string AsciiToUtf16(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}
