#include "sync/sync_run.h"

#include <exception>
#include <string>
#include <utility>

#include "common/utf_convert.h"
#include "sync/exchange_format.h"
#include "sync/request_url.h"

namespace {

std::u16string SuccessText(int32_t kind, size_t count) {
  // "[%s] 更新了%d个联系人"
  return u"[" + ClientKindName(kind) + u"] 更新了" + AsciiToUtf16(std::to_string(count)) +
         u"个联系人";
}

SyncRunOutcome WriteContacts(const SyncSettings& settings, const AddrContactList& contacts,
                             SyncRunDeps& deps) {
  const WriterType type = WriterForClientKind(settings.EmailClient);
  if (type == WriterType::RefusedFoxmail56) {
    // Shown on every run, also scheduled ones: the user must learn why
    // nothing is written.
    deps.messages.Show(kFoxmail56RefusedText, MessageIcon::Information);
    return {kNoSyncTaskText, true};
  }
  std::unique_ptr<IAddrBookSync> writer;
  if (type != WriterType::None) writer = deps.writers.Create(type);
  if (!writer) return {kNoSyncTaskText, true};

  if (writer->SyncContacts(contacts)) {
    return {SuccessText(settings.EmailClient, contacts.size()), true};
  }
  return {writer->GetLastErrorText(), false};
}

SyncRunOutcome RunSteps(const SyncSettings& settings, SyncRunDeps& deps) {
  if (settings.Password.empty()) return {kNoPasswordText, false};

  FetchResult fetched = deps.fetcher.Fetch(BuildRequestUrl(settings, PasswordInUrl::Plain));
  if (fetched.status != FetchStatus::Ok) {
    // The shown and logged URL never carries the password.
    const char16_t* prefix = fetched.status == FetchStatus::CertificateInvalid
                                 ? kCertificateInvalidPrefix
                                 : kOpenUrlFailedPrefix;
    return {prefix + BuildRequestUrl(settings, PasswordInUrl::Masked), false};
  }

  deps.answerCopy.SaveUtf8(fetched.body.Utf8());

  // The contact list keeps what it needs: the body goes before the writer runs.
  AddressBookAnswer answer = ReadAnswerText(std::move(fetched.body));
  switch (answer.kind) {
    case AnswerKind::ParseFailed: return {kParseFailedText, false};
    case AnswerKind::ServerError: return {answer.errorText, false};
    case AnswerKind::Contacts: break;
  }
  if (!fetched.lengthAnnounced && !answer.addressBookClosed) {
    // A download cut short must not shrink the mail client's address book.
    return {kOpenUrlFailedPrefix + BuildRequestUrl(settings, PasswordInUrl::Masked), false};
  }
  return WriteContacts(settings, answer.contacts, deps);
}

}  // namespace

SyncRunOutcome PerformSyncRun(const SyncSettings& settings, SyncRunDeps& deps) {
  SyncRunOutcome outcome;
  try {
    outcome = RunSteps(settings, deps);
  } catch (const std::exception& e) {
    outcome = {kRunErrorPrefix + Utf8ToUtf16(e.what()), false};
  } catch (...) {
    outcome = {std::u16string(kRunErrorPrefix) + u"未知错误", false};
  }
  // Outside the try: a failing log must not become a second result text.
  try {
    deps.log.Append(outcome.resultText);
  } catch (...) {
  }
  return outcome;
}

void ShowRunResult(const SyncRunOutcome& outcome, IMessageSink& messages) {
  messages.Show(outcome.resultText,
                outcome.success ? MessageIcon::Information : MessageIcon::Error);
}
