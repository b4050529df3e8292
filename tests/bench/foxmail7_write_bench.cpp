// Writing a Foxmail 7 address folder of 100,000 contacts (the seven files,
// assembled and written through buffered file streams), against copying a
// file of the same size through the same kind of stream. Peak heap during a
// write is reported as a counter: the assembly streams, so it stays small
// whatever the number of contacts.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "clients/foxmail7/foxmail7_storage_writer.h"
#include "common/utf_convert.h"

namespace {

std::atomic<size_t> g_heapNow{0};
std::atomic<size_t> g_heapPeak{0};

}  // namespace

// Heap accounting for the peak-memory counter: every allocation carries its
// size in front of it.
void* operator new(size_t size) {
  auto* block = static_cast<size_t*>(std::malloc(size + sizeof(std::max_align_t)));
  if (!block) throw std::bad_alloc();
  *block = size;
  const size_t now = g_heapNow += size;
  size_t peak = g_heapPeak.load();
  while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) {
  }
  return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}
void operator delete(void* p) noexcept {
  if (!p) return;
  auto* block = reinterpret_cast<size_t*>(static_cast<char*>(p) - sizeof(std::max_align_t));
  g_heapNow -= *block;
  std::free(block);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

constexpr size_t kContacts = 100000;
constexpr size_t kStreamBuffer = 256 * 1024;

const char* const kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周"};
const char* const kGiven[] = {"伟", "芳", "娜", "敏", "静", "丽",
                              "强", "磊", "洋", "艳", "勇", "军"};

AddrContactList MakeContacts(size_t n) {
  AddrContactList contacts;
  contacts.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const std::string name =
        std::string(kSurnames[i % 10]) + kGiven[i % 12] + kGiven[(i / 12) % 12];
    contacts.push_back(
        {Utf8ToUtf16(name), Utf8ToUtf16("user" + std::to_string(i) + "@tarnwell.example")});
  }
  return contacts;
}

class BenchDir {
 public:
  BenchDir()
      : path_(std::filesystem::temp_directory_path() /
              ("tw-foxmail7-bench-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path_);
  }
  ~BenchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class StreamSink final : public IStorageSink {
 public:
  explicit StreamSink(const std::filesystem::path& path) {
    out_.rdbuf()->pubsetbuf(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    out_.open(path, std::ios::binary | std::ios::trunc);
  }
  bool Write(std::span<const uint8_t> bytes) override {
    out_.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return out_.good();
  }
  bool Close() {
    out_.close();
    return !out_.fail();
  }

 private:
  std::vector<char> buffer_ = std::vector<char>(kStreamBuffer);
  std::ofstream out_;
};

size_t WriteFolder(const std::filesystem::path& dir, const AddrContactList& contacts) {
  size_t total = 0;
  for (Foxmail7File file : kFoxmail7Files) {
    const std::filesystem::path path = dir / std::filesystem::path(Foxmail7FileName(file));
    StreamSink sink(path);
    if (!WriteFoxmail7File(file, contacts, sink) || !sink.Close()) std::abort();
    total += std::filesystem::file_size(path);
  }
  return total;
}

void BM_Foxmail7WriteFolder(benchmark::State& state) {
  const AddrContactList contacts = MakeContacts(static_cast<size_t>(state.range(0)));
  BenchDir dir;
  size_t bytes = 0;
  size_t peak = 0;
  for (auto _ : state) {
    const size_t before = g_heapNow.load();
    g_heapPeak = before;
    bytes = WriteFolder(dir.path(), contacts);
    peak = std::max(peak, g_heapPeak.load() - before);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["folder_bytes"] = static_cast<double>(bytes);
  state.counters["peak_heap_bytes"] = static_cast<double>(peak);
}
BENCHMARK(BM_Foxmail7WriteFolder)->Arg(kContacts)->Unit(benchmark::kMillisecond)->UseRealTime();

// The yardstick: the same number of bytes read from one file and written to
// another through streams with the same buffer size.
void BM_CopyFileOfTheSameSize(benchmark::State& state) {
  BenchDir dir;
  const size_t bytes = WriteFolder(dir.path(), MakeContacts(static_cast<size_t>(state.range(0))));
  const std::filesystem::path source = dir.path() / "source";
  {
    std::ofstream out(source, std::ios::binary);
    const std::string block(1 << 20, 'x');
    for (size_t left = bytes; left > 0; left -= std::min(left, block.size())) {
      out.write(block.data(), static_cast<std::streamsize>(std::min(left, block.size())));
    }
  }
  std::vector<char> inBuffer(kStreamBuffer);
  std::vector<char> outBuffer(kStreamBuffer);
  for (auto _ : state) {
    std::ifstream in;
    in.rdbuf()->pubsetbuf(inBuffer.data(), static_cast<std::streamsize>(inBuffer.size()));
    in.open(source, std::ios::binary);
    std::ofstream out;
    out.rdbuf()->pubsetbuf(outBuffer.data(), static_cast<std::streamsize>(outBuffer.size()));
    out.open(dir.path() / "copy", std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    out.close();
    if (out.fail()) std::abort();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_CopyFileOfTheSameSize)->Arg(kContacts)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
