#pragma once
// The platform's WAB declarations (<wab.h> itself clashes with the MAPI
// headers it pulls in).

#include <windows.h>

#include <wabdefs.h>
#include <wabcode.h>
#include <wabtags.h>
#include <wabiab.h>
#include <wabapi.h>
