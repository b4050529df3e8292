#pragma once
// address.xml: the last answer as it came, in UTF-8.

#include <optional>
#include <string>

#include "sync/local_clock.h"
#include "sync/sync_run.h"

class AnswerCopyFile final : public IAnswerCopy {
 public:
  explicit AnswerCopyFile(std::u16string path) : path_(std::move(path)) {}
  [[nodiscard]] bool Save(std::string_view answer) override;

 private:
  std::u16string path_;
};

// The copy's bytes when it was last written on the local day `date`
// ("YYYY-MM-DD"); nothing for an older copy, none, or one that cannot be
// read whole.
std::optional<std::string> ReadAnswerCopyOf(const std::u16string& path, const std::u16string& date,
                                            IClock& clock);

// Hands a run the kept answer instead of downloading it again. It came
// from a download once, so it passes the same reading as a fresh one.
class KeptAnswerFetcher final : public IAnswerFetcher {
 public:
  explicit KeptAnswerFetcher(std::string bytes) : bytes_(std::move(bytes)) {}
  FetchResult Fetch(const std::u16string&) override {
    // No announced length: only the answer's own end shows it is whole.
    return {
        .status = FetchStatus::Ok, .body = AnswerText(std::move(bytes_)), .lengthAnnounced = false};
  }

 private:
  std::string bytes_;
};
