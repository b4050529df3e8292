#include "net/response_body_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/utf_convert.h"

namespace {

constexpr uint64_t kMaxReservedBytes = 256ull << 20;

}  // namespace

void ResponseBodyDecoder::Reserve(uint64_t expectedBytes) {
  try {
    bytes_.reserve(static_cast<size_t>(std::min(expectedBytes, kMaxReservedBytes)));
  } catch (const std::bad_alloc&) {
  }
}

void ResponseBodyDecoder::Append(const char* data, size_t size) {
  received_ += size;
  if (std::memchr(data, 0, size) == nullptr) {
    bytes_.append(data, size);
    return;
  }
  for (size_t at = 0; at < size; at += kSliceBytes) {
    const char* slice = data + at;
    const size_t length = std::min(kSliceBytes, size - at);
    const void* zero = std::memchr(slice, 0, length);
    bytes_.append(slice,
                  zero ? static_cast<size_t>(static_cast<const char*>(zero) - slice) : length);
  }
}

std::string ResponseBodyDecoder::TakeBytes() {
  std::string bytes;
  bytes.swap(bytes_);
  return bytes;
}

std::u16string ResponseBodyDecoder::TakeText() {
  std::u16string text = Utf8ToUtf16(bytes_);
  std::string().swap(bytes_);
  return text;
}
