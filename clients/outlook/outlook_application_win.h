#pragma once
// Outlook's automation object, created from its ProgID.

#include <windows.h>
#include <oaidl.h>

#include "common/win/scoped_handles.h"

// The running application's IDispatch, or null when Outlook is not
// registered or cannot be started; `status` (when given) then receives the
// failing call's status. Needs COM on the calling thread.
UniqueComRef<IDispatch> CreateOutlookApplication(HRESULT* status = nullptr);
