// Reference copy of sync/exchange_format.cpp before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
#include "xml/fuzz/reference/exchange_format.h"

#include <new>

#include "xml/fuzz/reference/xml_node.h"
#include "xml/fuzz/reference/xml_parser.h"

namespace reference {

namespace {

std::u16string AttributeOrEmpty(const XmlNode& node, std::u16string_view name) {
  return std::u16string(node.GetAttribute(name).value_or(std::u16string_view()));
}

AddressBookAnswer ReadFirstNode(const XmlNode& first) {
  AddressBookAnswer answer;
  if (!first) return answer;

  // The server's refusal wins over any address book beside it.
  if (XmlNode error = first.FindChild(u"error")) {
    answer.kind = AnswerKind::ServerError;
    answer.errorText = error.TextAt(0).value_or(std::u16string_view());
    return answer;
  }

  const XmlNode book = first.FindChild(u"addressbooks");
  if (!book) return answer;

  // One running position: the list is walked once however many persons.
  answer.contacts.reserve(book.ChildCount());
  std::size_t position = 0;
  while (XmlNode person = book.FindChild(u"person", &position)) {
    answer.contacts.push_back(
        {AttributeOrEmpty(person, u"Name"), AttributeOrEmpty(person, u"E-Mail")});
  }
  answer.kind = AnswerKind::Contacts;
  answer.addressBookClosed = book.IsClosed();
  return answer;
}

}  // namespace

AddressBookAnswer ReadAddressBookAnswer(const std::u16string& answerText) {
  try {
    // Only the first top-level node is kept: with a declaration in front it
    // holds the whole document, otherwise it is the wrapping element.
    XmlNode first = ParseXmlDocument(answerText).ChildAt(0);
    return ReadFirstNode(first);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace reference
