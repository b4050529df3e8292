#pragma once
// Where the assembly of a storage file sends its bytes, in file order.

#include <cstdint>
#include <span>
#include <string>

class IStorageSink {
 public:
  virtual ~IStorageSink() = default;
  // False when not every byte was taken; the assembly then stops.
  [[nodiscard]] virtual bool Write(std::span<const uint8_t> bytes) = 0;
};

// A storage file being created on disk.
class IStorageFile : public IStorageSink {
 public:
  // Completes the file and has it on the disk, not only in the system's
  // cache, so that a power cut cannot empty it after a rename. False when
  // any byte written so far did not reach it; the file is then incomplete.
  [[nodiscard]] virtual bool Close() = 0;
};

// Collects a file's bytes in memory (for tests, tools and comparisons).
class ByteStringSink final : public IStorageSink {
 public:
  bool Write(std::span<const uint8_t> bytes) override {
    bytes_.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};
