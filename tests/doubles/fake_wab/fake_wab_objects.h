#pragma once
// The fake's objects: the WAB object, the address book, the personal
// container, its contents table and the entries (mail users and
// distribution lists). Only what the writer uses does anything; the rest
// of each interface answers MAPI_E_NO_SUPPORT.

#include "fake_wab/fake_wab_state.h"

namespace fakewab {

// The pair that WABOpen hands out, each with one reference for the caller.
void OpenFakeAddressBook(IAddrBook** addressBook, IWABObject** wabObject);

}  // namespace fakewab
