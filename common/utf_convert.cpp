#include "common/utf_convert.h"

#include <algorithm>
#include <cstddef>
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
    extra = 1;
    cp = lead & 0x1F;
    min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    cp = lead & 0x0F;
    min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    cp = lead & 0x07;
    min = 0x10000;
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
        (lead != 0xE0 || p[1] >= 0xA0) &&  // not overlong
        (lead != 0xED || p[1] < 0xA0)) {   // not a surrogate
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

std::string RepairUtf8(std::string bytes, bool* valid) {
  const auto* const begin = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* const end = begin + bytes.size();
  // Most answers are well formed: nothing is written unless one is not.
  const unsigned char* const bad = FindMalformed(begin, end);
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

namespace {

constexpr unsigned char kReplacementUtf8[] = {0xEF, 0xBF, 0xBD};

// Whether bytes after `end` can still change what the sequence at p
// becomes: a lead that claims more bytes than are left, followed only by
// continuation bytes so far (decoding takes those it claimed, even from a
// lead that can start no character).
bool MayBeCut(const unsigned char* p, const unsigned char* end) {
  const unsigned char lead = *p;
  const std::ptrdiff_t claimed = (lead & 0xE0) == 0xC0   ? 2
                                 : (lead & 0xF0) == 0xE0 ? 3
                                 : (lead & 0xF8) == 0xF0 ? 4
                                                         : 0;
  if (end - p >= claimed) return false;
  for (const unsigned char* q = p + 1; q < end; ++q) {
    if ((*q & 0xC0) != 0x80) return false;
  }
  return true;
}

}  // namespace

void Utf8Repairer::Reserve(std::size_t bytes) {
  if (bytes <= bytes_.capacity()) return;
  std::string grown;
  grown.reserve(bytes);
  grown.append(bytes_);
  bytes_.swap(grown);
}

// The text grows by half at a time and never past the limit: doubling a
// text near the limit would hold three times the limit for a moment.
bool Utf8Repairer::Room(std::size_t more) {
  if (more > limit_ - bytes_.size()) return false;
  const std::size_t needed = bytes_.size() + more;
  const std::size_t capacity = bytes_.capacity();
  if (needed > capacity) {
    const std::size_t grown = capacity / 2 > limit_ - capacity ? limit_ : capacity + capacity / 2;
    Reserve(std::max(needed, grown));
  }
  return true;
}

bool Utf8Repairer::Put(const unsigned char* from, std::size_t count) {
  if (!Room(count)) return false;
  bytes_.append(reinterpret_cast<const char*>(from), count);
  return true;
}

// Repairs the sequences that start before `stop` and returns where it
// stopped: at or past `stop`, at a character that bytes after `end` may
// complete (`cut`), or where the limit was reached (`full`).
const unsigned char* Utf8Repairer::RepairInto(const unsigned char* p, const unsigned char* stop,
                                              const unsigned char* end, bool& cut, bool& full) {
  while (p < stop) {
    const unsigned char* const bad = FindMalformed(p, end);
    if (!Put(p, static_cast<std::size_t>(bad - p))) {
      full = true;
      return p;
    }
    p = bad;
    if (p >= stop) break;
    if (MayBeCut(p, end)) {
      cut = true;
      break;
    }
    if (!Put(kReplacementUtf8, sizeof(kReplacementUtf8))) {
      full = true;
      return p;
    }
    char32_t cp = 0;
    bool wellFormed = true;
    p = DecodeSequence(p, end, cp, wellFormed);
  }
  return p;
}

bool Utf8Repairer::KeepTail(const unsigned char* from, const unsigned char* end) {
  const std::size_t count = static_cast<std::size_t>(end - from);
  // Left unfinished at the end, it becomes one U+FFFD.
  if (sizeof(kReplacementUtf8) > limit_ - bytes_.size()) return false;
  std::memcpy(tail_, from, count);
  tailSize_ = count;
  return true;
}

bool Utf8Repairer::Append(std::string_view piece) {
  const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
  const unsigned char* const end = p + piece.size();
  bool cut = false;
  bool full = false;
  if (tailSize_ > 0) {
    // The character the last piece cut needs at most three more bytes.
    unsigned char joined[sizeof(tail_) + 3];
    const std::size_t taken = std::min<std::size_t>(piece.size(), 3);
    std::memcpy(joined, tail_, tailSize_);
    std::memcpy(joined + tailSize_, p, taken);
    const unsigned char* const joinedEnd = joined + tailSize_ + taken;
    const unsigned char* const stopped =
        RepairInto(joined, joined + tailSize_, joinedEnd, cut, full);
    if (full) return false;
    // Still cut: the piece was too short to finish it.
    if (cut) return KeepTail(stopped, joinedEnd);
    p += (stopped - joined) - static_cast<std::ptrdiff_t>(tailSize_);
    tailSize_ = 0;
  }
  const unsigned char* const stopped = RepairInto(p, end, end, cut, full);
  if (full) return false;
  return !cut || KeepTail(stopped, end);
}

std::string Utf8Repairer::Take() {
  if (tailSize_ > 0) {
    // At the end a cut character is malformed, replaced as decoding does.
    const std::string rest =
        RepairUtf8(std::string(reinterpret_cast<const char*>(tail_), tailSize_));
    tailSize_ = 0;
    Put(reinterpret_cast<const unsigned char*>(rest.data()), rest.size());
  }
  return std::exchange(bytes_, {});
}

std::string Utf16ToUtf8(std::u16string_view in, bool* valid) {
  std::string out;
  out.reserve(in.size() * 3);
  bool ok = true;
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
        in[i + 1] <= 0xDFFF) {
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
