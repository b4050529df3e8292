// Reference copy of common/utf_convert.cpp before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
#include "xml/fuzz/reference/utf_convert.h"

#include <cstdint>
#include <cstring>

namespace reference {

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

}  // namespace

std::u16string Utf8ToUtf16(std::string_view in, bool* valid) {
  // One UTF-16 unit per byte at most: size once, write through a pointer,
  // trim at the end. Runs of ASCII, the bulk of an address book, go eight
  // bytes at a time.
  std::u16string out(in.size(), u'\0');
  char16_t* o = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  const unsigned char* const end = p + in.size();
  bool ok = true;
  while (p < end) {
    if (end - p >= 8) {
      uint64_t chunk;
      std::memcpy(&chunk, p, sizeof chunk);
      if ((chunk & 0x8080808080808080ULL) == 0) {
        for (int k = 0; k < 8; ++k) o[k] = p[k];
        o += 8;
        p += 8;
        continue;
      }
    }
    const unsigned char lead = *p;
    if (lead < 0x80) {
      *o++ = lead;
      ++p;
      continue;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1; cp = lead & 0x1F; min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2; cp = lead & 0x0F; min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3; cp = lead & 0x07; min = 0x10000;
    } else {
      *o++ = kReplacement;
      ok = false;
      ++p;
      continue;
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
      *o++ = kReplacement;
      ok = false;
      p = q;
      continue;
    }
    if (cp < 0x10000) {
      *o++ = static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
    p = q;
  }
  out.resize(static_cast<size_t>(o - out.data()));
  if (valid) *valid = ok;
  return out;
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

}  // namespace reference
