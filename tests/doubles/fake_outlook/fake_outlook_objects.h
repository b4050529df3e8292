#pragma once
// The fake's automation objects (application, namespace, folder, item
// collection, contact item) and its class factory. Each answers the fixed
// dispatch identifiers that the writer calls and checks the arguments'
// number and types; names cannot be looked up.

#include "fake_outlook/fake_outlook_state.h"

namespace fakeoutlook {

// The factory COM asks for the application object; it lives as long as
// the DLL.
IClassFactory& TheClassFactory();

}  // namespace fakeoutlook
