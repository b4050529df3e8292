// Reference copy of net/response_body_decoder.cpp before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
#include "xml/fuzz/reference/response_body_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "xml/fuzz/reference/utf_convert.h"

namespace reference {

namespace {

constexpr uint64_t kMaxReservedChars = 128ull << 20;

size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

size_t Utf8CompletePrefix(const std::string& bytes) {
  // A decoder never takes a byte other than a continuation byte into the
  // character before it, so a cut before any such byte is safe.
  const size_t n = bytes.size();
  for (size_t back = 1; back <= 3 && back <= n; ++back) {
    const unsigned char c = static_cast<unsigned char>(bytes[n - back]);
    if ((c & 0xC0) != 0x80) return back < SequenceLength(c) ? n - back : n;
  }
  return n;
}

void ResponseBodyDecoder::Reserve(uint64_t expectedBytes) {
  // A byte never decodes to more than one UTF-16 unit.
  try {
    text_.reserve(static_cast<size_t>(std::min(expectedBytes, kMaxReservedChars)));
  } catch (const std::bad_alloc&) {
  }
}

void ResponseBodyDecoder::Append(const char* data, size_t size) {
  received_ += size;
  scratch_.assign(pending_);
  for (size_t at = 0; at < size; at += kSliceBytes) {
    const char* slice = data + at;
    const size_t length = std::min(kSliceBytes, size - at);
    const void* zero = std::memchr(slice, 0, length);
    scratch_.append(slice,
                    zero ? static_cast<size_t>(static_cast<const char*>(zero) - slice) : length);
  }
  const size_t complete = Utf8CompletePrefix(scratch_);
  text_ += Utf8ToUtf16(std::string_view(scratch_).substr(0, complete));
  pending_.assign(scratch_, complete, std::string::npos);
}

std::u16string ResponseBodyDecoder::TakeText() {
  if (!pending_.empty()) text_ += Utf8ToUtf16(pending_);
  pending_.clear();
  std::u16string text;
  text.swap(text_);
  return text;
}

}  // namespace reference
