#pragma once
// What the address book shows for a company contact.

#include <string>

#include "sync/addr_contact.h"

// The contact's name without surrounding white space, or its e-mail
// address when the name is blank: an entry must have a display name.
std::u16string WabDisplayText(const AddrContact& contact);

// True when the name holds more than white space.
bool HasVisibleName(const AddrContact& contact);
