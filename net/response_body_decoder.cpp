#include "net/response_body_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint64_t kMaxReservedBytes = 256ull << 20;

// Every read goes through here, so it looks at sixteen bytes a step.
bool HasZeroByte(const char* data, size_t size) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= size; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)) != 0) return true;
  }
#endif
  for (; i < size; ++i) {
    if (data[i] == 0) return true;
  }
  return false;
}

}  // namespace

void ResponseBodyDecoder::Reserve(uint64_t expectedBytes) {
  try {
    text_.Reserve(static_cast<size_t>(std::min(expectedBytes, kMaxReservedBytes)));
  } catch (const std::bad_alloc&) {
  }
}

void ResponseBodyDecoder::Append(const char* data, size_t size) {
  received_ += size;
  if (!HasZeroByte(data, size)) {
    text_.Append(std::string_view(data, size));
    return;
  }
  for (size_t at = 0; at < size; at += kSliceBytes) {
    const char* slice = data + at;
    const size_t length = std::min(kSliceBytes, size - at);
    const void* zero = std::memchr(slice, 0, length);
    text_.Append(std::string_view(
        slice, zero ? static_cast<size_t>(static_cast<const char*>(zero) - slice) : length));
  }
}

Utf8Repairer ResponseBodyDecoder::TakeUtf8() { return std::exchange(text_, {}); }

std::u16string ResponseBodyDecoder::TakeText() {
  // Decoding the repaired text gives what decoding the bytes gives.
  return Utf8ToUtf16(text_.Take());
}
