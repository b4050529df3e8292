#pragma once
// The texts with which the Outlook writer reports that it could not finish.

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr char16_t kOutlookStartFailedText[] = u"无法启动Outlook";
inline constexpr char16_t kOutlookCallFailedPrefix[] = u"Outlook调用失败：";

// "Outlook调用失败：" followed by Outlook's own description of the failure,
// or by the failure status as 0x%08X when Outlook gave no description.
std::u16string OutlookCallFailureText(std::u16string_view description, uint32_t status);
