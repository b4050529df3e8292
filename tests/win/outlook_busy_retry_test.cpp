// How the Outlook writer waits for a busy Outlook: the message filter that
// COM consults for calls into an out-of-process Outlook, and the retries of
// calls that an in-process server turns away itself. Wine's COM neither
// consults a client's filter on a rejected call nor ends a call that the
// filter cancels, so the filter is tested directly.

#include <gtest/gtest.h>

#include "clients/outlook/busy_message_filter_win.h"
#include "clients/outlook/dispatch_member_call_win.h"
#include "clients/outlook/outlook_application_win.h"
#include "tests/doubles/fake_outlook_control.h"
#include "win_test_support.h"

namespace {

constexpr DWORD kCancel = static_cast<DWORD>(-1);

TEST(BusyMessageFilterTest, RetriesWithinTheRunsBusyBudgetAndCancelsACallThatDoesNotReturn) {
  UniqueComRef<IMessageFilter> filter = MakeBusyMessageFilter(
      OutlookCallContext{OutlookWaitLimits{.callMs = 60000, .busyMs = 250, .pauseMs = 100}});
  EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), 100u);
  // Another call: the budget is the run's, not the call's.
  EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_REJECTED), 100u);
  EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), kCancel);
  EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_ISHANDLED), kCancel);
  EXPECT_EQ(filter->HandleInComingCall(CALLTYPE_TOPLEVEL, nullptr, 0, nullptr),
            static_cast<DWORD>(SERVERCALL_ISHANDLED));
  EXPECT_EQ(filter->MessagePending(nullptr, 59999, PENDINGTYPE_TOPLEVEL),
            static_cast<DWORD>(PENDINGMSG_WAITDEFPROCESS));
  EXPECT_EQ(filter->MessagePending(nullptr, 60000, PENDINGTYPE_TOPLEVEL),
            static_cast<DWORD>(PENDINGMSG_CANCELCALL));
}

TEST(BusyMessageFilterTest, IsInstalledForItsLifetimeAndPutsThePreviousOneBack) {
  ScopedComInit com;
  ASSERT_TRUE(com.ok());
  UniqueComRef<IMessageFilter> before = MakeBusyMessageFilter(OutlookCallContext{});
  ASSERT_EQ(CoRegisterMessageFilter(before.get(), nullptr), S_OK);
  {
    ScopedBusyMessageFilter scoped;
    EXPECT_TRUE(scoped.installed());
    // Peek at the installed filter by swapping it out and back.
    UniqueComRef<IMessageFilter> current;
    ASSERT_EQ(CoRegisterMessageFilter(nullptr, current.put()), S_OK);
    EXPECT_NE(current.get(), before.get());
    EXPECT_EQ(current->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), 100u);
    CoRegisterMessageFilter(current.get(), nullptr);
  }
  UniqueComRef<IMessageFilter> after;
  ASSERT_EQ(CoRegisterMessageFilter(nullptr, after.put()), S_OK);
  EXPECT_EQ(after.get(), before.get());
}

class DispatchCallTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    ASSERT_TRUE(outlook_.loaded());
    application_ = CreateOutlookApplication();
    ASSERT_TRUE(application_);
  }
  void TearDown() override {
    application_.reset();
    EXPECT_EQ(outlook_.LiveObjects(), 0);
  }

  ScopedComInit com_;
  FakeOutlook outlook_{HostPath(TW_FAKE_OUTLOOK_DLL)};
  UniqueComRef<IDispatch> application_;
};

TEST_F(DispatchCallTest, ACallTurnedAwayForTooLongFailsWithTheBusyStatus) {
  outlook_.RejectCalls(1000000, RPC_E_CALL_REJECTED);
  OutlookCallContext context{OutlookWaitLimits{.callMs = 60000, .busyMs = 50, .pauseMs = 5}};
  MemberCallResult result =
      CallMember(*application_, 0x110, MemberKind::Method, {u"MAPI"}, context);
  EXPECT_EQ(result.status, RPC_E_CALL_REJECTED);
  EXPECT_GT(outlook_.Rejected(), 1);
  EXPECT_FALSE(TakeObject(result.value));
}

TEST_F(DispatchCallTest, AnsweredCallsGiveTheirObjectOnce) {
  MemberCallResult result = CallMember(*application_, 0x110, MemberKind::Method, {u"MAPI"});
  ASSERT_TRUE(result.ok());
  UniqueComRef<IDispatch> mapi = TakeObject(result.value);
  EXPECT_TRUE(mapi);
  EXPECT_FALSE(TakeObject(result.value));  // the reference moved out

  MemberCallResult wrongArgument =
      CallMember(*application_, 0x110, MemberKind::Method, {int32_t{7}});
  EXPECT_EQ(wrongArgument.status, DISP_E_TYPEMISMATCH);
  EXPECT_FALSE(TakeObject(wrongArgument.value));
}

}  // namespace
