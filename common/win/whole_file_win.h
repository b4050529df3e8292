#pragma once
// Files read whole (through a handle or by path), and written whole or not
// at all.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// Its bytes, or nothing when it is larger than `largest` or cannot be read,
// through a handle already open for reading.
std::optional<std::string> ReadWholeFile(HANDLE file, LONGLONG largest);

// A name beside `path` for one writer's copy, unique to the writer (its
// process and its turn), so no two writers, nor a copy a writer left when
// it died, ever share one.
std::u16string AsideCopyPath(const std::u16string& path);
// Creates or truncates `path` with exactly `bytes`.
[[nodiscard]] bool WriteWholeFile(const std::u16string& path, std::string_view bytes);
// Puts the finished copy `aside` in place of `path`, flushed to the disk
// first; when that fails, `path` is as it was and the copy is removed.
[[nodiscard]] bool SwapInAside(const std::u16string& aside, const std::u16string& path);
// `path` holds all of `bytes` afterwards, or what it held before.
[[nodiscard]] bool ReplaceWholeFile(const std::u16string& path, std::string_view bytes);
// The same for the file at `path`; nothing when it is missing too.
std::optional<std::string> ReadWholeFileAt(const std::u16string& path, LONGLONG largest);
