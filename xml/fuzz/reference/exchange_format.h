#pragma once
// Reference copy of sync/exchange_format.h before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
// Reads the mail server's address-book answer (already decoded to UTF-16)
// into a contact list, the server's refusal text, or a parse failure.

#include <string>

#include "xml/fuzz/reference/addr_contact.h"

namespace reference {

enum class AnswerKind {
  Contacts,     // `contacts` holds one entry per person element
  ServerError,  // `errorText` holds the text of the error element
  ParseFailed,  // the parser rejected the text or no address book was found
};

struct AddressBookAnswer {
  AnswerKind kind = AnswerKind::ParseFailed;
  std::u16string errorText;
  AddrContactList contacts;
  // Whether the address book ended with its end tag. An answer cut short
  // in transfer leaves it open; a whole answer never does.
  bool addressBookClosed = false;
};

// Never throws on any input and never ends the process.
AddressBookAnswer ReadAddressBookAnswer(const std::u16string& answerText);

}  // namespace reference
