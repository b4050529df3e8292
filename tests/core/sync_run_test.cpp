// The run's outcome table, driven with fakes for every collaborator.

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <stdexcept>
#include <tuple>

#include "sync/connection_test.h"
#include "sync/exchange_format.h"
#include "sync/request_url.h"
#include "sync/result_text.h"
#include "sync/run_failure.h"
#include "sync/sync_run.h"

namespace {

// An answer as a fetcher hands it on, written as text.
AnswerText Answer(const std::u16string& text) { return AnswerText(Utf16ToUtf8(text)); }

struct FakeFetcher : IAnswerFetcher {
  FetchResult result{FetchStatus::Ok, AnswerText()};
  std::vector<std::u16string> urls;
  RunStop* stopMeanwhile = nullptr;
  bool throws = false;
  FetchResult Fetch(const std::u16string& url) override {
    urls.push_back(url);
    if (stopMeanwhile) stopMeanwhile->Stop();
    if (throws) throw std::runtime_error("socket gone");
    return result;
  }
};

struct FakeCopy : IAnswerCopy {
  std::vector<std::string> saved;
  bool whole = true;
  bool Save(std::string_view text) override {
    saved.emplace_back(text);
    return whole;
  }
};

struct FakeWriter : IAddrBookSync {
  bool succeed = true;
  bool throws = false;
  std::u16string error;
  std::optional<size_t> written;
  AddrContactList* received = nullptr;
  bool SyncContacts(const AddrContactList& contacts) override {
    if (throws) throw std::runtime_error("COM call failed");
    if (received) *received = contacts;
    return succeed;
  }
  std::u16string GetLastErrorText() const override { return error; }
  std::optional<size_t> GetWrittenCount() const override { return written; }
  std::u16string GetResultNote() const override { return note; }
  std::u16string note;
};

struct FakeWriters : IWriterFactory {
  std::vector<WriterType> created;
  bool succeed = true;
  bool throws = false;
  bool available = true;
  std::u16string error;
  std::optional<size_t> written;
  std::u16string note;
  AddrContactList received;
  std::unique_ptr<IAddrBookSync> Create(WriterType type) override {
    created.push_back(type);
    if (!available) return nullptr;
    auto w = std::make_unique<FakeWriter>();
    w->succeed = succeed;
    w->throws = throws;
    w->error = error;
    w->written = written;
    w->note = note;
    w->received = &received;
    return w;
  }
};

struct FakeLog : ISyncLog {
  std::vector<std::u16string> lines;
  void Append(const std::u16string& text) override { lines.push_back(text); }
};

struct FakeMessages : IMessageSink {
  std::vector<std::pair<std::u16string, MessageIcon>> shown;
  void Show(const std::u16string& text, MessageIcon icon) override {
    shown.emplace_back(text, icon);
  }
};

// The answer reader is real: these answers only need its plainest shapes.
const std::u16string kTwoPeople =
    u"<?xml version=\"1.0\"?><addressbooks>"
    u"<person Name=\"张三\" E-Mail=\"zhang@corp.example\"/>"
    u"<person Name=\"李四\" E-Mail=\"li@corp.example\"/></addressbooks>";

class SyncRunTest : public testing::Test {
 protected:
  SyncRunTest() {
    settings.ServerHost = u"mail.corp.example";
    settings.ServerPort = 8080;
    settings.ServerVirtual = u"webmail";
    settings.Account = u"zhang@corp.example";
    settings.Password = u"secret";
    settings.EmailClient = ClientFoxmail7;
  }
  SyncRunOutcome Run() { return PerformSyncRun(settings, deps); }

  SyncSettings settings;
  FakeFetcher fetcher;
  FakeCopy copy;
  FakeWriters writers;
  FakeLog log;
  SyncRunDeps deps{fetcher, copy, writers, log};
};

TEST_F(SyncRunTest, NoPasswordTouchesNothing) {
  settings.Password.clear();
  const auto out = Run();
  EXPECT_EQ(out.resultText, u"没有设置密码");
  EXPECT_FALSE(out.success());
  EXPECT_TRUE(fetcher.urls.empty());
  EXPECT_TRUE(copy.saved.empty());
  EXPECT_TRUE(writers.created.empty());
  EXPECT_EQ(log.lines, std::vector<std::u16string>{u"没有设置密码"});
}

TEST_F(SyncRunTest, RefusedRunIsAFailureInTheLog) {
  EXPECT_EQ(RefusedSyncRun(kRunLockTimedOutText, log).failure, RunFailure::RunLockUnavailable);
  EXPECT_EQ(log.lines, std::vector<std::u16string>{kRunLockTimedOutText});
}

// What the user or an administrator must fix is never retried.
TEST(RunFailureTest, OnlyCausesThatCanPassBySelfAreRetried) {
  const std::set<RunFailure> passing = {RunFailure::DownloadFailed, RunFailure::ClientUnavailable,
                                        RunFailure::ClientFilesInUse, RunFailure::ClientRunning,
                                        RunFailure::RunLockUnavailable};
  for (int f = 0; f <= static_cast<int>(RunFailure::Stopped); ++f) {
    EXPECT_EQ(CanPassBySelf(static_cast<RunFailure>(f)),
              passing.count(static_cast<RunFailure>(f)) == 1)
        << f;
  }
}

TEST_F(SyncRunTest, RequestUrlEscapesQueryValuesAndLevelFlag) {
  settings.Account = u"wang wu@corp.example";
  settings.Password = u"a&b#c+d=e?f%g 中";
  settings.SyncLevel = 7;
  fetcher.result = {FetchStatus::Ok, Answer(kTwoPeople)};
  Run();
  ASSERT_EQ(fetcher.urls.size(), 1u);
  EXPECT_EQ(fetcher.urls[0],
            u"http://mail.corp.example:8080/webmail/addresssync.asp?accnt=wang%20wu@corp.example"
            u"&pwd=a%26b%23c%2Bd%3De%3Ff%25g%20中&onlydepart=1");
  EXPECT_EQ(EscapeQueryValue(u"tab\there\x7f"), u"tab%09here%7F");
}

TEST_F(SyncRunTest, FailedFetchReportsMaskedUrlAndWritesNothing) {
  settings.Password = u"p&ss";
  fetcher.result = {FetchStatus::Failed, Answer(u"partial")};
  const auto out = Run();
  EXPECT_FALSE(out.success());
  EXPECT_EQ(out.resultText,
            u"打开URL失败：http://mail.corp.example:8080/webmail/addresssync.asp?"
            u"accnt=zhang@corp.example&pwd=******&onlydepart=0");
  EXPECT_EQ(out.resultText.find(u"p&ss"), std::u16string::npos);
  EXPECT_EQ(out.resultText.find(u"p%26ss"), std::u16string::npos);
  EXPECT_TRUE(copy.saved.empty());
  EXPECT_TRUE(writers.created.empty());
  EXPECT_EQ(log.lines.size(), 1u);

  // What the HTTP layer and the platform knew follows, in brackets.
  const std::tuple<DownloadCause, uint64_t, std::u16string> causes[] = {
      {DownloadCause::HttpNotFound, 0, u"（HTTP 404）"},
      {DownloadCause::HttpUnauthorized, 0, u"（HTTP 401）"},
      {DownloadCause::BadUrl, 0, u"（服务器地址无效）"},
      {DownloadCause::TimedOut, 0, u"（连接超时）"},
      {DownloadCause::NameNotResolved, 0, u"（无法解析服务器名称）"},
      {DownloadCause::CannotConnect, 0, u"（无法连接到服务器）"},
      {DownloadCause::ConnectionBroken, 0, u"（连接被中断）"},
      {DownloadCause::InvalidResponse, 0, u"（服务器答复无效）"},
      {DownloadCause::SecureChannelFailed, 0, u"（安全连接失败）"},
      {DownloadCause::CertificateAuthority, 0, u"（证书颁发机构不受信任）"},
      {DownloadCause::CertificateName, 0, u"（证书与服务器名称不符）"},
      {DownloadCause::CertificateDate, 0, u"（证书已过期或尚未生效）"},
      {DownloadCause::CertificateRevoked, 0, u"（证书已被吊销）"},
      {DownloadCause::RevocationUnknown, 0, u"（无法检查证书是否已被吊销）"},
      {DownloadCause::CutShort, 0, u"（答复不完整）"},
      {DownloadCause::DecodingFailed, 0, u"（答复无法解压）"},
      {DownloadCause::TooLarge, uint64_t{256} << 20, u"（答复超过256MB）"},
      {DownloadCause::TooLong, 600, u"（下载超过10分钟）"},
      {DownloadCause::TooLong, 90, u"（下载超过90秒）"},
      {DownloadCause::OutOfMemory, 0, u"（内存不足）"},
      {DownloadCause::PlatformError, 12157, u"（错误代码12157）"},
  };
  for (const auto& [cause, number, text] : causes) {
    fetcher.result.problem = {cause, number};
    EXPECT_EQ(Run().resultText, out.resultText + text);
  }

  // More persons than a list may hold: as if the body had passed its limit.
  std::string many = "<?xml version=\"1.0\"?><addressbooks>";
  for (size_t i = 0; i <= kMaxAnswerPersons; ++i) many += "<person/>";
  fetcher.result = {.status = FetchStatus::Ok,
                    .body = AnswerText(many + "</addressbooks>"),
                    .lengthAnnounced = true};
  const auto tooMany = Run();
  EXPECT_EQ(std::tie(tooMany.resultText, tooMany.failure),
            std::make_tuple(out.resultText + u"（答复超过1000000个联系人）", out.failure));
  EXPECT_TRUE(copy.saved.empty());
  EXPECT_TRUE(writers.created.empty());
}

TEST_F(SyncRunTest, StopDuringTheDownloadWritesNothingAndSaysSo) {
  RunStop stop;
  deps.stop = fetcher.stopMeanwhile = &stop;
  // The fetch given up.
  fetcher.result = {
      .status = FetchStatus::Failed, .body = Answer(kTwoPeople), .lengthAnnounced = true};
  const auto out = Run();
  EXPECT_EQ(out.failure, RunFailure::Stopped);
  EXPECT_EQ(log.lines, std::vector<std::u16string>{u"程序退出，本次同步已取消"});
  EXPECT_TRUE(copy.saved.empty());
  EXPECT_TRUE(writers.created.empty());
}

TEST_F(SyncRunTest, HttpsRequestAndUntrustedCertificateText) {
  settings.ServerScheme = u"https";
  settings.ServerPort = 443;
  fetcher.result = {FetchStatus::CertificateInvalid, AnswerText()};
  const auto out = Run();
  EXPECT_EQ(fetcher.urls.at(0),
            u"https://mail.corp.example:443/webmail/addresssync.asp?accnt=zhang@corp.example"
            u"&pwd=secret&onlydepart=0");
  EXPECT_EQ(out.resultText,
            u"证书无效：https://mail.corp.example:443/webmail/addresssync.asp?"
            u"accnt=zhang@corp.example&pwd=******&onlydepart=0");
  EXPECT_FALSE(out.success());
  EXPECT_TRUE(copy.saved.empty());
  EXPECT_TRUE(writers.created.empty());
}

TEST_F(SyncRunTest, UnreadableAnswerIsParseFailureButStillCopied) {
  for (const std::u16string answer : {u"", u"<addressbooks><person Name=\"x\"/></addressbooks>",
                                      u"not xml at all", u"<?xml version=\"1.0\"?><other/>"}) {
    fetcher.result = {FetchStatus::Ok, Answer(answer)};
    copy.saved.clear();
    const auto out = Run();
    EXPECT_EQ(out.resultText, u"解析XML失败") << std::string(answer.begin(), answer.end());
    EXPECT_FALSE(out.success());
    EXPECT_EQ(copy.saved, std::vector<std::string>{Utf16ToUtf8(answer)});
    EXPECT_EQ(out.answerCopy, AnswerCopyState::NotReusable);
  }
  EXPECT_TRUE(writers.created.empty());
}

TEST_F(SyncRunTest, ServerErrorTextBecomesTheResultOnOneCleanLine) {
  const struct {
    const char16_t* sent;
    const char16_t* shown;
  } cases[] = {
      {u"帐号或密码错误", u"帐号或密码错误"},
      {u"a\nb\tc\u001Fd\u007Fe\u009Ff\u00A0g\u2028h\u2029i", u"a b c d e f\u00A0g h i"},
      // Direction marks and overrides would make the line read otherwise.
      {u"\u202E1234\u202C \u2066x\u2069\u200E\u200F\u202A\u202B\u202D\u2067\u2068", u"1234 x"},
      {u"\u061C\u0645\u061C 1", u"\u0645 1"},  // the Arabic letter mark
  };
  for (const auto& c : cases) {
    fetcher.result = {FetchStatus::Ok, Answer(std::u16string(u"<?xml version=\"1.0\"?><error>") +
                                              c.sent + u"</error><addressbooks/>")};
    const auto out = Run();
    EXPECT_EQ(out.resultText, c.shown);
    EXPECT_FALSE(out.success());
  }
  EXPECT_TRUE(writers.created.empty());
  // A long text is cut after 500 characters, a surrogate pair being one.
  const std::u16string kept = std::u16string(499, u'错') + u"\U0001F600";
  fetcher.result = {FetchStatus::Ok, Answer(u"<?xml version=\"1.0\"?><error>" + kept +
                                            u"尾</error><addressbooks/>")};
  EXPECT_EQ(Run().resultText, kept + u"…");
  fetcher.result = {FetchStatus::Ok,
                    Answer(u"<?xml version=\"1.0\"?><error>" + kept + u"</error><addressbooks/>")};
  EXPECT_EQ(Run().resultText, kept);  // exactly 500: whole
}

TEST_F(SyncRunTest, WriterSuccessCountsTheListInOrder) {
  settings.EmailClient = ClientOutlook2007;
  fetcher.result = {FetchStatus::Ok, Answer(kTwoPeople)};
  const auto out = Run();
  EXPECT_TRUE(out.success());
  EXPECT_EQ(out.resultText, u"[Outlook 2007] 更新了2个联系人");
  EXPECT_EQ(writers.created, std::vector<WriterType>{WriterType::Outlook});
  ASSERT_EQ(writers.received.size(), 2u);
  EXPECT_EQ(writers.received[0], (AddrContact{u"张三", u"zhang@corp.example"}));
  EXPECT_EQ(writers.received[1], (AddrContact{u"李四", u"li@corp.example"}));
  EXPECT_EQ(log.lines, std::vector<std::u16string>{out.resultText});
  EXPECT_FALSE(out.notice);
  EXPECT_EQ(out.answerCopy, AnswerCopyState::Reusable);
  copy.whole = false;  // a copy not written whole is never reused
  const auto unwritten = Run();
  EXPECT_EQ(unwritten.answerCopy, AnswerCopyState::Unwritten);
  EXPECT_EQ(unwritten.resultText, u"[Outlook 2007] 更新了2个联系人（address.xml未能保存）");
  copy.whole = true;

  // A writer that could write only part of the list says how much.
  settings.EmailClient = ClientOutlookExpress;
  writers.written = 1;
  EXPECT_EQ(Run().resultText, u"[Outlook Express] 更新了1个联系人");

  // What a writer left undone without losing a contact follows the text.
  settings.EmailClient = ClientOutlook2010;
  writers.written.reset();
  writers.note = u"（已删除邮件中的旧联系人未能清除）";
  const auto noted = Run();
  EXPECT_TRUE(noted.success());
  EXPECT_EQ(log.lines.back(), u"[Outlook 2010] 更新了2个联系人（已删除邮件中的旧联系人未能清除）");
}

TEST_F(SyncRunTest, ConnectionTestCountsAndWarnsOfFoxmail7sLimitWritingNothing) {
  std::u16string many = u"<?xml version=\"1.0\"?><addressbooks>";
  for (int i = 0; i < 65535; ++i) many += u"<person Name=\"n\" E-Mail=\"e@c\"/>";
  fetcher.result = {FetchStatus::Ok, Answer(many + u"</addressbooks>")};
  EXPECT_EQ(TestConnection(settings, fetcher).resultText, u"连接成功：服务器返回65535个联系人");
  many += u"<person Name=\"n\" E-Mail=\"e@c\"/>";
  fetcher.result = {FetchStatus::Ok, Answer(many + u"</addressbooks>")};
  const auto out = TestConnection(settings, fetcher);
  EXPECT_TRUE(out.success());
  EXPECT_EQ(out.resultText, u"连接成功：服务器返回65536个联系人（Foxmail 7最多保存65535个）");
  settings.EmailClient = ClientOutlook2010;
  EXPECT_EQ(TestConnection(settings, fetcher).resultText, u"连接成功：服务器返回65536个联系人");
  fetcher.throws = true;
  const auto thrown = TestConnection(settings, fetcher);
  EXPECT_EQ(thrown.resultText, u"同步时发生错误：socket gone");
  EXPECT_EQ(thrown.failure, RunFailure::RunError);
  EXPECT_EQ(fetcher.urls.size(), 4u);
  EXPECT_TRUE(copy.saved.empty());
  EXPECT_TRUE(writers.created.empty());
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(SyncRunTest, AnswerCutShortWithoutAnnouncedLengthIsAFailedDownload) {
  const std::u16string cut =
      u"<?xml version=\"1.0\"?><addressbooks><person Name=\"张三\" E-Mail=\"z@c\"/>"
      u"<person Name=\"李";
  fetcher.result = {.status = FetchStatus::Ok, .body = Answer(cut), .lengthAnnounced = false};
  auto out = Run();
  EXPECT_FALSE(out.success());
  EXPECT_EQ(out.resultText,
            u"打开URL失败：http://mail.corp.example:8080/webmail/addresssync.asp?"
            u"accnt=zhang@corp.example&pwd=******&onlydepart=0（答复不完整）");
  EXPECT_TRUE(copy.saved.empty());
  EXPECT_TRUE(writers.created.empty());

  // With an announced length the client already checked the body: the
  // forgiving reading of an unclosed document stays.
  fetcher.result = {.status = FetchStatus::Ok, .body = Answer(cut), .lengthAnnounced = true};
  out = Run();
  EXPECT_TRUE(out.success());
  EXPECT_EQ(out.resultText, u"[Foxmail 7.x] 更新了2个联系人");

  // A whole answer without a length is fine.
  fetcher.result = {
      .status = FetchStatus::Ok, .body = Answer(kTwoPeople), .lengthAnnounced = false};
  EXPECT_TRUE(Run().success());
}

TEST_F(SyncRunTest, EmptyAddressBookStillGoesToTheWriter) {
  fetcher.result = {FetchStatus::Ok,
                    Answer(u"<?xml version=\"1.0\"?><addressbooks></addressbooks>")};
  const auto out = Run();
  EXPECT_EQ(out.resultText, u"[Foxmail 7.x] 更新了0个联系人");
  EXPECT_EQ(writers.created.size(), 1u);
}

TEST_F(SyncRunTest, WriterFailureTextIsTheResult) {
  fetcher.result = {FetchStatus::Ok, Answer(kTwoPeople)};
  writers.succeed = false;
  writers.error = u"删除目录失败";
  const auto out = Run();
  EXPECT_FALSE(out.success());
  EXPECT_EQ(out.resultText, u"删除目录失败");
}

TEST_F(SyncRunTest, ThrowingWriterBecomesAFailureTextAndALogLine) {
  fetcher.result = {FetchStatus::Ok, Answer(kTwoPeople)};
  writers.throws = true;
  const auto out = Run();
  EXPECT_FALSE(out.success());
  EXPECT_EQ(out.resultText, u"同步时发生错误：COM call failed");
  EXPECT_EQ(log.lines, std::vector<std::u16string>{out.resultText});
}

TEST_F(SyncRunTest, ClientKindsWithoutWriter) {
  fetcher.result = {FetchStatus::Ok, Answer(kTwoPeople)};

  settings.EmailClient = ClientFoxmail56;
  auto out = Run();
  EXPECT_EQ(out.resultText, u"未发现同步任务");
  EXPECT_TRUE(out.success());
  EXPECT_EQ(out.notice, u"很抱歉，暂不支持Foxmail5.x/6！");

  for (int32_t kind : {7, -1, 1000}) {
    settings.EmailClient = kind;
    out = Run();
    EXPECT_EQ(out.resultText, u"未发现同步任务") << kind;
    EXPECT_TRUE(out.success());
    EXPECT_FALSE(out.notice);
  }
  EXPECT_TRUE(writers.created.empty());
  EXPECT_EQ(log.lines.size(), 4u);
}

TEST_F(SyncRunTest, KindsMapToTheirWriters) {
  fetcher.result = {FetchStatus::Ok, Answer(kTwoPeople)};
  for (int32_t kind = 0; kind <= 6; ++kind) {
    settings.EmailClient = kind;
    Run();
  }
  EXPECT_EQ(writers.created,
            (std::vector<WriterType>{WriterType::OutlookExpress, WriterType::Outlook,
                                     WriterType::Outlook, WriterType::Outlook, WriterType::Foxmail7,
                                     WriterType::OutlookChangesOnly}));
}

TEST_F(SyncRunTest, ResultIconFollowsSuccess) {
  FakeMessages sink;
  ShowRunResult({u"ok", std::nullopt, RunFailure::None, std::nullopt}, sink);
  ShowRunResult({u"", std::nullopt, RunFailure::WriterFailed, std::nullopt}, sink);
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[0].second, MessageIcon::Information);
  EXPECT_EQ(sink.shown[1].first, u"");
  EXPECT_EQ(sink.shown[1].second, MessageIcon::Error);
}

}  // namespace
