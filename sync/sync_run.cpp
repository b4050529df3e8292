#include "sync/sync_run.h"

#include <exception>
#include <string>
#include <utility>

#include "common/utf_convert.h"
#include "sync/exchange_format.h"
#include "sync/request_url.h"
#include "sync/result_text.h"

namespace {

SyncRunOutcome Outcome(std::u16string text, RunFailure failure = RunFailure::None) {
  SyncRunOutcome outcome;
  outcome.resultText = std::move(text);
  outcome.failure = failure;
  return outcome;
}

SyncRunOutcome Failure(std::u16string text, RunFailure failure) {
  return Outcome(std::move(text), failure);
}

std::u16string Number(size_t n) { return AsciiToUtf16(std::to_string(n)); }

std::u16string SuccessText(int32_t kind, size_t count) {
  // "[%s] 更新了%d个联系人"
  return u"[" + ClientKindName(kind) + u"] 更新了" + Number(count) + u"个联系人";
}

std::u16string SuccessText(int32_t kind, WriterType type, size_t count) {
  if (type != WriterType::Foxmail7 || count <= kFoxmail7ContactLimit) {
    return SuccessText(kind, count);
  }
  // The writer kept the first ones; the user must learn that the rest is
  // missing.
  return SuccessText(kind, kFoxmail7ContactLimit) + u"（Foxmail 7最多保存" +
         Number(kFoxmail7ContactLimit) + u"个，共" + Number(count) + u"个）";
}

SyncRunOutcome WriteContacts(const SyncSettings& settings, const AddrContactList& contacts,
                             SyncRunDeps& deps) {
  const WriterType type = WriterForClientKind(settings.EmailClient);
  if (type == WriterType::RefusedFoxmail56) {
    // Asked for on every run, also scheduled ones: the user must learn why
    // nothing is written.
    SyncRunOutcome refused = Outcome(kNoSyncTaskText);
    refused.notice = kFoxmail56RefusedText;
    return refused;
  }
  std::unique_ptr<IAddrBookSync> writer;
  if (type != WriterType::None) writer = deps.writers.Create(type);
  if (!writer) return Outcome(kNoSyncTaskText);

  if (writer->SyncContacts(contacts)) {
    // A writer that could save only part of the list says how much.
    const std::optional<size_t> written = writer->GetWrittenCount();
    return Outcome((written ? SuccessText(settings.EmailClient, *written)
                            : SuccessText(settings.EmailClient, type, contacts.size())) +
                   writer->GetResultNote());
  }
  return Failure(writer->GetLastErrorText(), writer->GetLastFailure());
}

bool Stopped(const RunStop* stop) { return stop && stop->Stopped(); }

SyncRunOutcome StoppedRun() { return Failure(kRunStoppedText, RunFailure::Stopped); }

SyncRunOutcome RunSteps(const SyncSettings& settings, SyncRunDeps& deps) {
  DownloadedContacts downloaded =
      DownloadContacts(settings, deps.fetcher, deps.answerCopy, deps.stop);
  SyncRunOutcome outcome = downloaded.failure ? std::move(*downloaded.failure)
                           : Stopped(deps.stop)
                               ? StoppedRun()
                               : WriteContacts(settings, downloaded.contacts, deps);
  outcome.answerCopy = downloaded.answerCopy;
  // The log says so: the next run after the client downloads again.
  if (outcome.answerCopy == AnswerCopyState::Unwritten)
    outcome.resultText += kAnswerCopyUnwrittenNote;
  return outcome;
}

}  // namespace

DownloadedContacts DownloadContacts(const SyncSettings& settings, IAnswerFetcher& fetcher,
                                    IAnswerCopy& answerCopy, const RunStop* stop) {
  DownloadedContacts result;
  if (settings.Password.empty()) {
    result.failure = Failure(kNoPasswordText, RunFailure::NoPassword);
    return result;
  }

  FetchResult fetched = fetcher.Fetch(BuildRequestUrl(settings, PasswordInUrl::Plain));
  // Whatever the fetch gave: a download cut by the stop is no failure of
  // the server's.
  if (Stopped(stop)) {
    result.failure = StoppedRun();
    return result;
  }
  if (fetched.status != FetchStatus::Ok) {
    // The shown and logged URL never carries the password.
    const bool certificate = fetched.status == FetchStatus::CertificateInvalid;
    result.failure = Failure(
        (certificate ? kCertificateInvalidPrefix : kOpenUrlFailedPrefix) +
            BuildRequestUrl(settings, PasswordInUrl::Masked) + DownloadProblemText(fetched.problem),
        certificate ? RunFailure::CertificateInvalid : RunFailure::DownloadFailed);
    return result;
  }

  AddressBookAnswer answer = ReadAnswerText(fetched.body);
  // A download cut short must not shrink the mail client's address book.
  const bool cutShort =
      answer.kind == AnswerKind::Contacts && !fetched.lengthAnnounced && !answer.addressBookClosed;
  if (answer.kind == AnswerKind::TooManyPersons || cutShort) {
    // Like a body past the limit: nothing of it is kept, not even the copy.
    const DownloadProblem problem =
        cutShort ? DownloadProblem{DownloadCause::CutShort}
                 : DownloadProblem{DownloadCause::TooManyPersons, kMaxAnswerPersons};
    result.failure =
        Failure(kOpenUrlFailedPrefix + BuildRequestUrl(settings, PasswordInUrl::Masked) +
                    DownloadProblemText(problem),
                RunFailure::DownloadFailed);
    return result;
  }
  if (Stopped(stop)) {
    result.failure = StoppedRun();
    return result;
  }
  // A copy that cannot be written does not stop the run; it is only never
  // reused, and neither is an answer that failed.
  const bool whole = answerCopy.Save(fetched.body.Utf8());
  result.answerCopy = !whole                                ? AnswerCopyState::Unwritten
                      : answer.kind == AnswerKind::Contacts ? AnswerCopyState::Reusable
                                                            : AnswerCopyState::NotReusable;
  // The contact list keeps what it needs: the body goes before the writer runs.
  fetched.body = AnswerText();
  switch (answer.kind) {
    case AnswerKind::ParseFailed:
      result.failure = Failure(kParseFailedText, RunFailure::ParseFailed);
      return result;
    // The server's text is not ours: it is kept short.
    case AnswerKind::ServerError:
      result.failure = Failure(ShortenServerText(answer.errorText), RunFailure::ServerError);
      return result;
    case AnswerKind::Contacts: break;
    case AnswerKind::TooManyPersons: break;  // handled above
  }
  result.contacts = std::move(answer.contacts);
  return result;
}

SyncRunOutcome PerformSyncRun(const SyncSettings& settings, SyncRunDeps& deps) {
  SyncRunOutcome outcome;
  try {
    outcome = RunSteps(settings, deps);
  } catch (const std::exception& e) {
    outcome = Failure(kRunErrorPrefix + Utf8ToUtf16(e.what()), RunFailure::RunError);
  } catch (...) {
    outcome = Failure(std::u16string(kRunErrorPrefix) + u"未知错误", RunFailure::RunError);
  }
  // In place: nothing here may throw.
  outcome.resultText = OneLineText(std::move(outcome.resultText));
  // Outside the try: a failing log must not become a second result text.
  try {
    deps.log.Append(outcome.resultText);
  } catch (...) {
  }
  return outcome;
}

SyncRunOutcome RefusedSyncRun(const std::u16string& text, ISyncLog& log) {
  SyncRunOutcome outcome = Failure(text, RunFailure::RunLockUnavailable);
  try {
    log.Append(outcome.resultText);
  } catch (...) {
  }
  return outcome;
}

void ShowRunResult(const SyncRunOutcome& outcome, IMessageSink& messages) {
  messages.Show(outcome.resultText,
                outcome.success() ? MessageIcon::Information : MessageIcon::Error);
}
