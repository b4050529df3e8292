#pragma once
// Reads the mail server's address-book answer into a contact list, the
// server's refusal text, or a parse failure.

#include <cstddef>
#include <string>

#include "sync/addr_contact.h"
#include "sync/answer_text.h"

enum class AnswerKind {
  Contacts,        // `contacts` holds one entry per person element
  ServerError,     // `errorText` holds the text of the error element
  ParseFailed,     // the parser rejected the text or no address book was found
  TooManyPersons,  // past kMaxAnswerPersons: no contacts are kept
};

// Twenty times a large company's book. An answer of tiny persons would
// otherwise make a list several times the size of the text it came in.
inline constexpr std::size_t kMaxAnswerPersons = 1'000'000;

struct AddressBookAnswer {
  AnswerKind kind = AnswerKind::ParseFailed;
  std::u16string errorText;
  AddrContactList contacts;
  // Whether the address book ended with its end tag. An answer cut short
  // in transfer leaves it open; a whole answer never does.
  bool addressBookClosed = false;
};

// Never throws on any input and never ends the process. Parses the answer
// in place and decodes only what it keeps.
AddressBookAnswer ReadAnswerText(const AnswerText& answer);
