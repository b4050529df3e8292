#pragma once
// The running installation, as the custom actions meet it.

#include <windows.h>
#include <msi.h>

#include <string>

// A property, empty when the installation has none.
std::u16string MsiProperty(MSIHANDLE install, const wchar_t* name);

// A line in the installer's log (`/l*v`), not shown on screen.
void MsiLog(MSIHANDLE install, const std::u16string& text);
