// Fetches one URL as a run does (HttpAnswerFetcher, which keeps the body)
// and prints how long the fetch took and how much memory the process
// needed at its peak, for scripts/bench-http.sh.
// Usage: http_fetch_bench <url> [adaptive|blocks|arrived]: how the body is
// read (BodyReads), adaptive by default.

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "common/win/wide_text_win.h"
#include "net/http_answer_fetcher_win.h"

namespace {

PROCESS_MEMORY_COUNTERS MemoryCounters() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc == 3 ? argv[2] : L"adaptive";
  if ((argc != 2 && argc != 3) ||
      (mode != L"adaptive" && mode != L"blocks" && mode != L"arrived")) {
    std::fprintf(stderr, "usage: http_fetch_bench <url> [adaptive|blocks|arrived]\n");
    return 2;
  }
  const std::u16string url = FromWide(argv[1]);
  HttpAnswerFetcher fetcher;
  fetcher.SetBodyReads(mode == L"blocks"    ? BodyReads::WholeBlocks
                       : mode == L"arrived" ? BodyReads::WhatHasArrived
                                            : BodyReads::Adaptive);
  const PROCESS_MEMORY_COUNTERS before = MemoryCounters();

  const auto start = std::chrono::steady_clock::now();
  const FetchResult fetched = fetcher.Fetch(url);
  const bool ok = fetched.status == FetchStatus::Ok;
  const auto elapsed = std::chrono::steady_clock::now() - start;

  const PROCESS_MEMORY_COUNTERS after = MemoryCounters();
  // Under Wine the working-set figures are the process's resident set.
  std::printf("ok=%d seconds=%.4f bytes=%zu base_working_set=%zu peak_working_set=%zu\n",
              ok ? 1 : 0, std::chrono::duration<double>(elapsed).count(), fetched.body.size(),
              static_cast<size_t>(before.WorkingSetSize),
              static_cast<size_t>(after.PeakWorkingSetSize));
  return ok ? 0 : 1;
}
