#include "sync/connection_test.h"

#include <exception>
#include <string>

#include "common/utf_convert.h"
#include "sync/client_kind.h"
#include "sync/result_text.h"

namespace {

std::u16string Number(size_t n) { return AsciiToUtf16(std::to_string(n)); }

SyncRunOutcome Test(const SyncSettings& settings, IAnswerFetcher& fetcher, const RunStop* stop) {
  NoAnswerCopy noCopy;
  DownloadedContacts downloaded = DownloadContacts(settings, fetcher, noCopy, stop);
  if (downloaded.failure) return std::move(*downloaded.failure);
  const size_t count = downloaded.contacts.size();
  SyncRunOutcome outcome;
  outcome.resultText = kConnectionOkPrefix + Number(count) + u"个联系人";
  // A run would keep only the first ones.
  if (WriterForClientKind(settings.EmailClient) == WriterType::Foxmail7 &&
      count > kFoxmail7ContactLimit) {
    outcome.resultText += u"（Foxmail 7最多保存" + Number(kFoxmail7ContactLimit) + u"个）";
  }
  return outcome;
}

}  // namespace

SyncRunOutcome TestConnection(const SyncSettings& settings, IAnswerFetcher& fetcher,
                              const RunStop* stop) {
  SyncRunOutcome outcome;
  try {
    outcome = Test(settings, fetcher, stop);
  } catch (const std::exception& e) {
    outcome.failure = RunFailure::RunError;
    outcome.resultText = kRunErrorPrefix + Utf8ToUtf16(e.what());
  } catch (...) {
    outcome.failure = RunFailure::RunError;
    outcome.resultText = std::u16string(kRunErrorPrefix) + u"未知错误";
  }
  outcome.resultText = OneLineText(std::move(outcome.resultText));
  return outcome;
}
