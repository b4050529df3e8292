#pragma once
// Removes a directory with everything in it, for good (not to the recycle
// bin), without asking and without error boxes. A junction or symbolic
// link inside is removed itself, never followed.

#include <string>

// Forward slashes are taken as backslashes; one trailing backslash is
// ignored. True also when there was nothing to remove.
[[nodiscard]] bool DeleteDirectoryTree(const std::u16string& path);
