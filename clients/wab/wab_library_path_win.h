#pragma once
// Where the Windows Address Book's library is, as the registry says.

#include <string>

// The default value of HKLM\Software\Microsoft\WAB\DLLPath with its
// environment references expanded; empty when the key or a text value is
// missing. Paths of any length are kept whole: a cut path could name
// another library.
std::u16string RegisteredWabLibraryPath();
