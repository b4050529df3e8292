#include "clients/foxmail7/buffered_storage_file_win.h"

#include <windows.h>

#include <algorithm>

#include "common/win/wide_text_win.h"

namespace {
constexpr size_t kBufferSize = 256 * 1024;
}  // namespace

std::unique_ptr<BufferedStorageFile> BufferedStorageFile::Create(const std::u16string& path) {
  UniqueHandle file(CreateFileW(AsWide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::unique_ptr<BufferedStorageFile>(new BufferedStorageFile(std::move(file)));
}

BufferedStorageFile::BufferedStorageFile(UniqueHandle file) : file_(std::move(file)) {
  buffer_.reserve(kBufferSize);
}

bool BufferedStorageFile::Write(std::span<const uint8_t> bytes) {
  if (failed_ || !file_) return false;
  if (buffer_.size() + bytes.size() > kBufferSize && !Flush()) return false;
  if (bytes.size() >= kBufferSize) return WriteThrough(bytes);
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  return true;
}

bool BufferedStorageFile::Close() {
  // The folder is swapped in by renames, which the disk may keep before
  // the files' bytes: they must be there first.
  const bool ok = Flush() && FlushFileBuffers(file_.get()) != FALSE;
  file_.reset();
  return ok;
}

bool BufferedStorageFile::Flush() {
  if (failed_ || !file_) return false;
  const bool ok = WriteThrough(buffer_);
  buffer_.clear();
  return ok;
}

bool BufferedStorageFile::WriteThrough(std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file_.get(), bytes.data(), piece, &written, nullptr) || written != piece) {
      failed_ = true;
      return false;
    }
    bytes = bytes.subspan(piece);
  }
  return true;
}
