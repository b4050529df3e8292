#pragma once
// The texts with which the Outlook writer reports that it could not finish.

#include <cstdint>
#include <string>
#include <string_view>

#include "sync/run_failure.h"

inline constexpr char16_t kOutlookStartFailedText[] = u"无法启动Outlook";
inline constexpr char16_t kOutlookCallFailedPrefix[] = u"Outlook调用失败：";
// Outlook 2013+ refuses an empty company list while marked contacts exist.
inline constexpr char16_t kOutlookEmptyListText[] = u"服务器返回的地址簿为空，未更改Outlook联系人";
// A store whose search for marked contacts never ends.
inline constexpr char16_t kOutlookSearchEndlessText[] =
    u"Outlook调用失败：查找带标记的联系人无法结束";

// Outlook 2003-2010: the contacts were all written, but the marked ones
// deleted earlier could not be erased from Deleted Items. Follows the
// usual result text.
inline constexpr char16_t kOutlookDeletedItemsNote[] = u"（已删除邮件中的旧联系人未能清除）";

// "Outlook调用失败：" followed by Outlook's own description of the failure,
// or by the failure status as 0x%08X when Outlook gave no description.
std::u16string OutlookCallFailureText(std::u16string_view description, uint32_t status);

// A call that Outlook did not answer within `limitMs`, and calls it kept
// turning away as busy for `limitMs` in all ("Outlook调用失败：" and which).
std::u16string OutlookNoAnswerText(uint32_t limitMs);
std::u16string OutlookBusyText(uint32_t limitMs);

// "无法启动Outlook：" and the status as 0x%08X: an administrator needs it
// (0x80080005, for one, is an elevated program that cannot reach the
// user's Outlook).
std::u16string OutlookStartFailureText(uint32_t status);

// Whether a failed call or start can pass by itself: Outlook busy, not
// answering, closed during the run or still starting can; a class that is
// not registered (no Outlook installed) and a refused call cannot.
RunFailure OutlookCallFailure(uint32_t status);
RunFailure OutlookStartFailure(uint32_t status);

// Why the writer could not finish: the text logged and its cause.
struct OutlookFailure {
  std::u16string text;
  RunFailure cause = RunFailure::WriterFailed;
};

// Outlook 2013+: "无法保存Outlook联系人记录：" and the record's path.
std::u16string OutlookRecordSaveFailureText(std::u16string_view path);
