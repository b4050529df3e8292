#pragma once
// The Windows Address Book's interfaces and constants from the platform
// headers. <wab.h> itself cannot be used: it pulls the MAPI headers in
// beside the WAB ones and they define the same types twice.

#include <windows.h>

#include <wabdefs.h>
#include <wabcode.h>
#include <wabtags.h>
#include <wabiab.h>
#include <wabapi.h>

static_assert(PR_ENTRYID == 0x0FFF0102 && PR_DEF_CREATE_MAILUSER == 0x36120102 &&
              PR_DEF_CREATE_DL == 0x36110102 && PR_DISPLAY_NAME_W == 0x3001001F &&
              PR_EMAIL_ADDRESS_W == 0x3003001F && PR_NICKNAME_W == 0x3A4F001F);
static_assert(MAPI_BEST_ACCESS == 0x10 && MAPI_ABCONT == 4 && MAPI_MAILUSER == 6 &&
              WAB_LOCAL_CONTAINERS == 0x00100000);
