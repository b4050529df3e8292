#pragma once
// One sync run: from the settings to exactly one result text, which is
// always logged. Every collaborator comes in through a narrow interface so
// the run is the same code in the program and in the tests.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sync/addr_book_sync.h"
#include "sync/addr_contact.h"
#include "sync/client_kind.h"
#include "sync/answer_text.h"
#include "sync/download_problem.h"
#include "sync/run_failure.h"
#include "sync/run_stop.h"
#include "sync/sync_settings.h"

enum class FetchStatus {
  Ok,
  Failed,              // no answer, or not a whole one
  CertificateInvalid,  // the server's certificate is not trusted for its name
};

struct FetchResult {
  FetchStatus status = FetchStatus::Failed;
  AnswerText body;  // the body when status is Ok
  // The server announced the body's length, so a cut body was already
  // caught. Without it (chunked, or ended by closing the connection) only
  // the answer itself can show that it is whole.
  bool lengthAnnounced = false;
  DownloadProblem problem{};  // why, when status is not Ok
};

// Downloads the answer of the mail server's address-book page.
class IAnswerFetcher {
 public:
  virtual ~IAnswerFetcher() = default;
  virtual FetchResult Fetch(const std::u16string& url) = 0;
};

// Keeps the copy of the last answer (address.xml), its UTF-8 as the run
// kept it. Failure is not fatal, but only a copy written whole is reused.
class IAnswerCopy {
 public:
  virtual ~IAnswerCopy() = default;
  // True only when the copy now holds `answer` whole; on false it may hold
  // anything, the earlier copy included.
  [[nodiscard]] virtual bool Save(std::string_view answer) = 0;
};

// Keeps nothing: for reading an answer that is not to be kept (again).
class NoAnswerCopy final : public IAnswerCopy {
 public:
  [[nodiscard]] bool Save(std::string_view) override { return true; }
};

class IWriterFactory {
 public:
  virtual ~IWriterFactory() = default;
  // Null when this build has no writer of that type.
  virtual std::unique_ptr<IAddrBookSync> Create(WriterType type) = 0;
};

class ISyncLog {
 public:
  virtual ~ISyncLog() = default;
  // Appends one line; a log that cannot be written does not disturb a run.
  virtual void Append(const std::u16string& resultText) = 0;
};

enum class MessageIcon { Information, Error };

class IMessageSink {
 public:
  virtual ~IMessageSink() = default;
  virtual void Show(const std::u16string& text, MessageIcon icon) = 0;
};

struct SyncRunDeps {
  IAnswerFetcher& fetcher;
  IAnswerCopy& answerCopy;
  IWriterFactory& writers;
  ISyncLog& log;
  // Once stopped, the run writes nothing more (see RunStop).
  const RunStop* stop = nullptr;
};

// What a run left in the answer's copy.
enum class AnswerCopyState {
  Untouched,
  Reusable,     // this run's answer, which parsed, written whole
  NotReusable,  // an answer that failed, written
  Unwritten,    // not written whole: the copy may hold anything
};

struct SyncRunOutcome {
  std::u16string resultText;  // always a single line
  // A box the run wants shown (information icon). The run never shows one
  // itself: its caller does, once the run's locks are released, so that a
  // box nobody answers holds up no other run.
  std::optional<std::u16string> notice;
  RunFailure failure = RunFailure::None;
  // One follows from the other, so the two can never disagree.
  bool success() const { return failure == RunFailure::None; }
  // What the resident program decided at the run's end: when a failed
  // run is tried again ("HH:MM"), whether one waits for the mail client to
  // end, and whether the failure is news for a balloon.
  std::optional<std::u16string> retryAt;
  bool waitsForClient = false;
  bool balloon = false;
  AnswerCopyState answerCopy = AnswerCopyState::Untouched;
};

inline constexpr char16_t kNoPasswordText[] = u"没有设置密码";
inline constexpr char16_t kOpenUrlFailedPrefix[] = u"打开URL失败：";
inline constexpr char16_t kCertificateInvalidPrefix[] = u"证书无效：";
inline constexpr char16_t kParseFailedText[] = u"解析XML失败";
inline constexpr char16_t kNoSyncTaskText[] = u"未发现同步任务";
inline constexpr char16_t kFoxmail56RefusedText[] = u"很抱歉，暂不支持Foxmail5.x/6！";
inline constexpr char16_t kRunErrorPrefix[] = u"同步时发生错误：";
inline constexpr char16_t kRunStoppedText[] = u"程序退出，本次同步已取消";
// After the result text when address.xml could not be written whole.
inline constexpr char16_t kAnswerCopyUnwrittenNote[] = u"（address.xml未能保存）";

// A run's first half: the password checked, the answer fetched, read and
// copied. Either the contacts or the failure the run reports; Stopped once
// `stop` is, before anything is written.
struct DownloadedContacts {
  std::optional<SyncRunOutcome> failure;
  AddrContactList contacts;
  AnswerCopyState answerCopy = AnswerCopyState::Untouched;
};
DownloadedContacts DownloadContacts(const SyncSettings& settings, IAnswerFetcher& fetcher,
                                    IAnswerCopy& answerCopy, const RunStop* stop = nullptr);

// Performs one run on `settings` (a snapshot), logs its result text and
// returns it. Never throws and never shows anything.
SyncRunOutcome PerformSyncRun(const SyncSettings& settings, SyncRunDeps& deps);

// A run that did not start (`text` says why): failed and logged.
SyncRunOutcome RefusedSyncRun(const std::u16string& text, ISyncLog& log);

// Shows a run's result text with the icon of its outcome.
void ShowRunResult(const SyncRunOutcome& outcome, IMessageSink& messages);
