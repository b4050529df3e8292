#pragma once
// Reads the mail server's address-book answer into a contact list, the
// server's refusal text, or a parse failure.

#include <string>

#include "sync/addr_contact.h"
#include "sync/answer_text.h"

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

// Never throws on any input and never ends the process. Parses the answer
// in place and decodes only what it keeps; the answer is dropped when
// this returns.
AddressBookAnswer ReadAnswerText(AnswerText answer);
