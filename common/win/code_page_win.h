#pragma once
// Conversions between UTF-16 and the multi-byte code pages that the
// settings file and the log use. Characters a code page cannot hold
// become '?' rather than cutting the text short.

#include <string>
#include <string_view>

// `codePage` is a Windows code page identifier (CP_ACP, CP_THREAD_ACP, ...).
std::string WideToCodePage(std::u16string_view text, unsigned codePage);
std::u16string CodePageToWide(std::string_view bytes, unsigned codePage);

// The ANSI code page of the user's default locale. It differs from CP_ACP
// (the system locale's) on, say, an English system used in Chinese.
unsigned UserDefaultAnsiCodePage();
