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

size_t KeptLimit(uint64_t limit) {
  return static_cast<size_t>(std::min<uint64_t>(limit, Utf8Repairer::kNoLimit));
}

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

ResponseBodyDecoder::ResponseBodyDecoder(uint64_t keptLimit)
    : limit_(keptLimit), text_(KeptLimit(keptLimit)) {}

void ResponseBodyDecoder::Reserve(uint64_t expectedBytes) {
  try {
    text_.Reserve(KeptLimit(std::min({expectedBytes, limit_, kMaxReservedBytes})));
  } catch (const std::bad_alloc&) {
  }
}

bool ResponseBodyDecoder::Append(const char* data, size_t size) {
  const uint64_t start = received_;
  received_ += size;
  if (!cutting_ && !HasZeroByte(data, size)) return text_.Append(std::string_view(data, size));
  // Slices count from the body's start, so the text kept is the same
  // however the reads fell.
  for (size_t at = 0; at < size;) {
    const size_t sliceLeft = kSliceBytes - static_cast<size_t>((start + at) % kSliceBytes);
    const size_t length = std::min(sliceLeft, size - at);
    if (!cutting_) {
      const void* zero = std::memchr(data + at, 0, length);
      const size_t kept =
          zero ? static_cast<size_t>(static_cast<const char*>(zero) - (data + at)) : length;
      if (!text_.Append(std::string_view(data + at, kept))) return false;
      cutting_ = zero != nullptr;
    }
    at += length;
    if (length == sliceLeft) cutting_ = false;
  }
  return true;
}

Utf8Repairer ResponseBodyDecoder::TakeUtf8() { return std::exchange(text_, Utf8Repairer()); }
