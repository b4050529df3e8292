// Replays a fuzz target's corpus once, without libFuzzer: every file of
// each folder (or each file) named on the command line goes through
// LLVMFuzzerTestOneInput in turn. A broken property aborts.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// A target may check, once the whole corpus has passed, what it expected to
// meet in it.
extern "C" int FuzzReplayEnd() __attribute__((weak));

int main(int argc, char** argv) {
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::filesystem::path> files = {argv[i]};
    if (std::filesystem::is_directory(files[0])) {
      const std::filesystem::directory_iterator folder(files[0]);
      files.assign(begin(folder), end(folder));
    }
    for (const std::filesystem::path& file : files) {
      std::ifstream in(file, std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
      }
      const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++replayed;
    }
  }
  std::printf("%d inputs replayed\n", replayed);
  if (replayed == 0) return 1;
  return FuzzReplayEnd ? FuzzReplayEnd() : 0;
}
