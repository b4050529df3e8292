#include "sync/exchange_format.h"

#include <algorithm>
#include <new>
#include <utility>

#include "xml/xml_reader.h"

namespace {

// A text of the answer as the parser found it, and whether its entities
// are to be decoded.
struct Piece {
  std::string_view text;
  XmlEntities entities = XmlEntities::None;
};

// Follows the parse and keeps only what the run reads: below the first
// top-level element, the first error element's first text, or the person
// elements of the first addressbooks element with their first Name and
// E-Mail attributes (letter case ignored in all names).
class AnswerReader {
 public:
  void StartElement(std::string_view name, bool /*isDeclaration*/) {
    FlushPerson();
    ++depth_;
    if (depth_ == 1) {
      firstOpen_ = !firstSeen_;
      firstSeen_ = true;
    } else if (depth_ == 2 && firstOpen_) {
      if (!errorSeen_ && EqualsIgnoringAsciiCase(name, "error")) {
        errorSeen_ = errorOpen_ = true;
      } else if (!bookSeen_ && EqualsIgnoringAsciiCase(name, "addressbooks")) {
        bookSeen_ = bookOpen_ = true;
      }
    } else if (depth_ == 3 && bookOpen_ && EqualsIgnoringAsciiCase(name, "person")) {
      person_ = Person{};
      personPending_ = true;
    }
  }

  void EndElement() {
    FlushPerson();
    if (depth_ == 1) {
      firstOpen_ = false;
    } else if (depth_ == 2) {
      if (bookOpen_) bookClosed_ = true;
      bookOpen_ = errorOpen_ = false;
    }
    --depth_;
  }

  void Attribute(std::string_view name) { Attribute(name, {}, XmlEntities::None); }

  void Attribute(std::string_view name, std::string_view value, XmlEntities entities) {
    if (!personPending_) return;
    // The first attribute of a name counts, with or without a value.
    if (!person_.nameSeen && EqualsIgnoringAsciiCase(name, "name")) {
      person_.nameSeen = true;
      person_.name = {value, entities};
    } else if (!person_.emailSeen && EqualsIgnoringAsciiCase(name, "e-mail")) {
      person_.emailSeen = true;
      person_.email = {value, entities};
    }
  }

  void Text(std::string_view text, XmlEntities entities) {
    FlushPerson();
    if (depth_ == 2 && errorOpen_ && !errorTextSeen_) {
      errorTextSeen_ = true;
      errorText_ = {text, entities};
    }
  }

  void RawText(std::string_view text) { Text(text, XmlEntities::None); }

  void RawSection(const XmlRawMarkers&, std::string_view) { FlushPerson(); }

  // Room for the persons a large company's answer of this size can hold
  // (no person is shorter than the shortest whole one), so such a book is
  // never copied as it grows. Past that the list grows as persons come: an
  // answer padded with blanks must not claim memory for persons it does
  // not have. The values cannot take more than the answer: that much
  // address space is taken at once, its pages touched only as values come,
  // since copying a growing text would hold the old and the new at once
  // beside the answer.
  void ReserveFor(std::size_t answerBytes) {
    constexpr std::size_t kShortestPerson = sizeof("<person Name=\"\" E-Mail=\"\"/>") - 1;
    constexpr std::size_t kLargeCompany = 200'000;
    constexpr std::size_t kValueBytesPerPerson = 64;
    const std::size_t persons = std::min(answerBytes / kShortestPerson, kLargeCompany);
    try {
      contacts_.reserve(persons, answerBytes);
    } catch (const std::bad_alloc&) {
      contacts_.reserve(persons, std::min(answerBytes, persons * kValueBytesPerPerson));
    }
  }

  AddressBookAnswer Finish(XmlError error) {
    // A person cut off by the end of the text still counts.
    FlushPerson();
    AddressBookAnswer answer;
    if (!XmlAccepted(error) || !firstSeen_) return answer;
    if (tooMany_) {
      answer.kind = AnswerKind::TooManyPersons;
      return answer;
    }
    // The server's refusal wins over any address book beside it.
    if (errorSeen_) {
      answer.kind = AnswerKind::ServerError;
      answer.errorText = Utf8ToUtf16(Decoded(errorText_));
    } else if (bookSeen_) {
      answer.kind = AnswerKind::Contacts;
      answer.contacts = std::move(contacts_);
      answer.addressBookClosed = bookClosed_;
    }
    return answer;
  }

 private:
  struct Person {
    Piece name;
    Piece email;
    bool nameSeen = false;
    bool emailSeen = false;
  };

  // A person's attributes end with the next thing the parser reports.
  void FlushPerson() {
    if (!personPending_) return;
    personPending_ = false;
    if (contacts_.size() == kMaxAnswerPersons) {
      tooMany_ = true;
      contacts_ = AddrContactList();
    }
    if (tooMany_) return;
    if (person_.name.entities == XmlEntities::None && person_.email.entities == XmlEntities::None) {
      contacts_.AppendUtf8(person_.name.text, person_.email.text);
    } else {
      const std::string name(Decoded(person_.name));
      contacts_.AppendUtf8(name, Decoded(person_.email));
    }
  }

  std::string_view Decoded(const Piece& piece) {
    if (piece.entities == XmlEntities::None) return piece.text;
    scratch_.resize(piece.text.size());
    scratch_.resize(DecodeXmlEntities(piece.text, scratch_.data()));
    return scratch_;
  }

  int depth_ = 0;
  bool firstSeen_ = false;
  bool firstOpen_ = false;
  bool errorSeen_ = false;
  bool errorOpen_ = false;
  bool errorTextSeen_ = false;
  bool bookSeen_ = false;
  bool bookOpen_ = false;
  bool bookClosed_ = false;
  bool personPending_ = false;
  bool tooMany_ = false;
  Person person_;
  Piece errorText_;
  AddrContactList contacts_;
  std::string scratch_;
};

}  // namespace

AddressBookAnswer ReadAnswerText(const AnswerText& answer) {
  try {
    AnswerReader reader;
    reader.ReserveFor(answer.size());
    const XmlError error = ReadXml(answer.Utf8(), reader);
    return reader.Finish(error);
  } catch (const std::bad_alloc&) {
    return {};
  }
}
