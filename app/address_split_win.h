#pragma once
// The Webmail address split as the dialog's Save splits it, by the
// platform's URL splitter. The administrator presets use the same split.

#include <string>

#include "app/dialog_form.h"

AddressParts SplitAddress(const std::u16string& address);
