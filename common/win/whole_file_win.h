#pragma once
// A file read whole through a handle already open for reading, or by its
// path; a file replaced whole.

#include <windows.h>

#include <optional>
#include <string>

// Its bytes, or nothing when it is larger than `largest` or cannot be read.
std::optional<std::string> ReadWholeFile(HANDLE file, LONGLONG largest);
// The same for the file at `path`; nothing when it is missing too.
std::optional<std::string> ReadWholeFileAt(const std::u16string& path, LONGLONG largest);
// Written beside the file first, then moved over it, so a writer that ends
// half-way never leaves the file cut short. False when that failed.
[[nodiscard]] bool ReplaceWholeFile(const std::u16string& path, const std::string& bytes);
