#pragma once
// Where Foxmail 7 lives, worked out from its registered open command, and
// where its address folder is.

#include <string>
#include <string_view>

struct Foxmail7Location {
  std::u16string installDir;      // drive and directory; empty or ending in a separator
  std::u16string executableName;  // file name and extension only
};

// The executable path in the open command: every double quote and every
// "%1" removed, then blanks trimmed at both ends.
std::u16string CleanFoxmailCommand(std::u16string_view command);

// Splits an executable path into the directory part (up to and including
// the last backslash or slash, or just the drive) and the file name.
Foxmail7Location SplitExecutablePath(std::u16string_view path);

// Foxmail 7 tells itself apart by the first character of its product
// version: "7.2.5.140" and "7" pass, "6.5.0.0" and "17.0" do not.
bool IsFoxmail7ProductVersion(std::u16string_view productVersion);

// The one address folder the writer replaces.
std::u16string Foxmail7AddressFolder(const Foxmail7Location& location);
