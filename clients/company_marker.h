#pragma once
// The nickname that marks the contacts a sync wrote into a client's own
// address book: only marked entries are ever replaced or deleted, so what
// the user keeps there is never touched.

inline constexpr char16_t kCompanyContactMarker[] = u"KESTRANODE_MAIL";
