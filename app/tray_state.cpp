#include "app/tray_state.h"

#include <utility>

#include "common/text_classes.h"

namespace {

constexpr size_t kStampLength = 19;   // "YYYY-MM-DD HH:MM:SS"
constexpr size_t kStampMinutes = 16;  // without the seconds
constexpr size_t kCauseLimit = 24;    // "（答复超过1000000个联系人）" and the like
constexpr char16_t kFailureTitle[] = u"地址簿同步失败";

// "YYYY-MM-DD HH:MM:SS :" at the start of `line`.
bool StartsWithStamp(std::u16string_view line) {
  static constexpr char16_t kPattern[] = u"0000-00-00 00:00:00 :";
  if (line.size() < kStampLength + 2) return false;
  for (size_t i = 0; i < kStampLength + 2; ++i) {
    if (kPattern[i] == u'0' ? !IsDigit(line[i]) : line[i] != kPattern[i]) return false;
  }
  return true;
}

}  // namespace

std::u16string FitToCapacity(const std::u16string& text, size_t capacity) {
  if (capacity == 0) return {};
  if (text.size() < capacity) return text;
  size_t length = capacity - 1;
  // A high surrogate at the cut would lose its partner.
  if (length > 0 && IsHighSurrogate(text[length - 1])) --length;
  return text.substr(0, length);
}

void TrayState::SetWake(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

void TrayState::RunStarted() {
  std::lock_guard lock(mutex_);
  ++active_;
  if (wake_) wake_();
}

void TrayState::RunEnded(RunReport report) {
  std::lock_guard lock(mutex_);
  --active_;
  ended_.push_back(std::move(report));
  if (wake_) wake_();
}

void TrayState::Announce(std::u16string failureText) {
  std::lock_guard lock(mutex_);
  announced_.push_back(std::move(failureText));
  if (wake_) wake_();
}

void TrayState::ReadLog(const std::u16string& logTail) {
  std::u16string_view rest(logTail);
  // Lines end in CR LF; a lone LF or CR ends one as well.
  while (!rest.empty() && (rest.back() == u'\n' || rest.back() == u'\r')) rest.remove_suffix(1);
  size_t end = rest.size();
  while (end > 0) {
    const size_t lineEnd = end;
    size_t start = rest.find_last_of(u"\r\n", lineEnd - 1);
    start = start == std::u16string_view::npos ? 0 : start + 1;
    if (StartsWithStamp(rest.substr(start, lineEnd - start))) {
      LastRun run{std::u16string(rest.substr(start, kStampLength)), {}, std::nullopt, false};
      for (char16_t c : rest.substr(start + kStampLength + 2)) {
        if (c != u'\r') run.text.push_back(c);
      }
      lastRun_ = std::move(run);
      return;
    }
    end = start == 0 ? 0 : start - 1;
  }
}

std::vector<TrayBalloon> TrayState::TakeEndedRuns() {
  std::vector<RunReport> ended;
  std::vector<std::u16string> announced;
  {
    std::lock_guard lock(mutex_);
    ended.swap(ended_);
    announced.swap(announced_);
  }
  std::vector<TrayBalloon> balloons;
  for (const RunReport& report : ended) {
    const SyncRunOutcome& outcome = report.outcome;
    lastRun_ = LastRun{report.stamp, outcome.resultText, outcome.retryAt, outcome.waitsForClient};
    if (outcome.balloon) announced.push_back(outcome.resultText);
  }
  if (exiting_) return balloons;
  for (std::u16string& text : announced) {
    balloons.push_back({.title = kFailureTitle, .text = std::move(text), .warning = true});
  }
  return balloons;
}

void TrayState::SettingsChanged() {
  if (lastRun_) {
    lastRun_->retryAt.reset();
    lastRun_->waitsForClient = false;
  }
}

bool TrayState::Busy(bool manualRunning) const {
  std::lock_guard lock(mutex_);
  return manualRunning || active_ > 0;
}

std::u16string TrayState::Tip(bool manualRunning) const {
  if (exiting_) return product_ + u" - 同步完成后退出…";
  if (Busy(manualRunning)) return product_ + u" - 正在同步…";
  if (!lastRun_) return FitToCapacity(product_, kTrayTipCapacity);
  // A long result text is cut, never what is pending, nor the short cause
  // in brackets that a failed download gives after its long address.
  const std::u16string retry = lastRun_->waitsForClient ? u"，关闭Foxmail后同步"
                               : lastRun_->retryAt      ? u"，" + *lastRun_->retryAt + u"重试"
                                                        : u"";
  const std::u16string& text = lastRun_->text;
  const size_t open = text.rfind(u'（');
  const std::u16string cause =
      text.ends_with(u'）') && open != std::u16string::npos && text.size() - open <= kCauseLimit
          ? text.substr(open)
          : u"";
  return FitToCapacity(product_ + u"\n上次同步：" + lastRun_->stamp.substr(0, kStampMinutes) +
                           u" " + text.substr(0, text.size() - cause.size()),
                       kTrayTipCapacity - retry.size() - cause.size()) +
         cause + retry;
}

std::optional<TrayBalloon> TrayState::BeginExit(bool manualRunning) {
  exiting_ = true;
  if (!Busy(manualRunning)) return std::nullopt;
  return ExitNotice();
}

TrayBalloon TrayState::ExitNotice() const {
  return {.title = product_, .text = u"正在同步，同步完成后程序将退出。", .warning = false};
}
