#include "app/tray_status.h"

#include "common/text_classes.h"

namespace {

constexpr size_t kStampLength = 19;  // "YYYY-MM-DD HH:MM:SS"
constexpr size_t kStampMinutes = 16;  // without the seconds

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

std::optional<LastRun> LastRunInLog(const std::u16string& logTail) {
  std::u16string_view rest(logTail);
  // Lines end in CR LF; a lone LF or CR ends one as well.
  while (!rest.empty() && (rest.back() == u'\n' || rest.back() == u'\r')) rest.remove_suffix(1);
  size_t end = rest.size();
  while (end > 0) {
    const size_t lineEnd = end;
    size_t start = rest.find_last_of(u"\r\n", lineEnd - 1);
    start = start == std::u16string_view::npos ? 0 : start + 1;
    if (StartsWithStamp(rest.substr(start, lineEnd - start))) {
      LastRun run{std::u16string(rest.substr(start, kStampLength)), {}, std::nullopt};
      for (char16_t c : rest.substr(start + kStampLength + 2)) {
        if (c == u'\r') continue;
        run.text.push_back(c);
      }
      return run;
    }
    end = start == 0 ? 0 : start - 1;
  }
  return std::nullopt;
}

std::u16string IdleTip(const std::u16string& product, const std::optional<LastRun>& last) {
  if (!last) return FitToCapacity(product, kTrayTipCapacity);
  // A long result text is cut, never the time of the retry.
  const std::u16string retry = last->retryAt ? u"，" + *last->retryAt + u"重试" : u"";
  return FitToCapacity(
             product + u"\n上次同步：" + last->stamp.substr(0, kStampMinutes) + u" " + last->text,
             kTrayTipCapacity - retry.size()) +
         retry;
}

bool FailureNotices::ShouldAnnounce(const std::u16string& date, const std::u16string& text) {
  if (date != date_) {
    date_ = date;
    announced_.clear();
  }
  return announced_.insert(text).second;
}
