#pragma once
// The names that place this desktop's daily run within SyncSpread.

#include "sync/sync_spread.h"

// The computer's NetBIOS name and the logged-on user's name; a name the
// platform cannot give stays empty.
DesktopIdentity CurrentDesktopIdentity();
