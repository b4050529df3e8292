#pragma once
// A storage file written through a buffer, so that a folder of many small
// record writes costs few system calls.

#include <memory>
#include <string>
#include <vector>

#include "clients/foxmail7/storage_sink.h"
#include "common/win/scoped_handles.h"

class BufferedStorageFile final : public IStorageFile {
 public:
  // Creates the file, or truncates an existing one; null when it cannot.
  static std::unique_ptr<BufferedStorageFile> Create(const std::u16string& path);

  bool Write(std::span<const uint8_t> bytes) override;
  bool Close() override;

 private:
  explicit BufferedStorageFile(UniqueHandle file);
  bool WriteThrough(std::span<const uint8_t> bytes);
  bool Flush();

  UniqueHandle file_;
  std::vector<uint8_t> buffer_;
  bool failed_ = false;
};
