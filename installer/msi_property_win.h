#pragma once
// A property of the running installation, empty when it has none.

#include <windows.h>
#include <msi.h>

#include <string>

std::u16string MsiProperty(MSIHANDLE install, const wchar_t* name);
