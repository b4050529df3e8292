// libFuzzer target: the road from the bytes of an HTTP body to what a run
// writes, today's UTF-8 road against the reference copy of the code before
// it (xml/fuzz/reference/), which decoded the whole body to UTF-16 first.
// Both get the same bytes in the same reads; they must agree on the bytes
// received, the address.xml bytes, the parse code, the answer's kind, error
// text and closing, every contact as the UTF-16 writers and the Foxmail 7
// records take it, and the parsed tree. The last input byte picks the read
// sizes; the rest is the body (so the seed documents of xml/fuzz/corpus
// stay whole but for their last byte).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "clients/foxmail7/foxmail7_contact_record.h"
#include "common/utf_convert.h"
#include "net/response_body_decoder.h"
#include "sync/exchange_format.h"
#include "xml/fuzz/reference/exchange_format.h"
#include "xml/fuzz/reference/foxmail7_contact_record.h"
#include "xml/fuzz/reference/response_body_decoder.h"
#include "xml/fuzz/reference/utf_convert.h"
#include "xml/fuzz/reference/xml_parser.h"
#include "xml/xml_parser.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Read sizes from 1 to 5000 bytes, so that reads end inside characters and
// zero bytes fall into every part of the 2048-byte slices.
std::vector<std::size_t> ReadSizes(std::uint8_t seed, std::size_t total) {
  std::vector<std::size_t> sizes;
  std::uint32_t state = seed;
  for (std::size_t at = 0; at < total;) {
    state = state * 1664525u + 1013904223u;
    const std::size_t size = std::min<std::size_t>(1 + (state >> 8) % 5000, total - at);
    sizes.push_back(size);
    at += size;
  }
  return sizes;
}

// The parse code of the UTF-8 path, for comparing with the tree's.
struct NoHandler {
  void StartElement(std::string_view, bool) {}
  void EndElement() {}
  void Attribute(std::string_view) {}
  void Attribute(std::string_view, std::string_view, XmlEntities) {}
  void Text(std::string_view, XmlEntities) {}
  void RawText(std::string_view) {}
  void RawSection(const XmlRawMarkers&, std::string_view) {}
};

// What a run makes of a body: the copy it keeps, and what it hands on.
struct Outcome {
  std::uint64_t received = 0;
  std::string addressXml;
  int parseCode = 0;
  int kind = 0;
  std::u16string errorText;
  bool closed = false;
  std::vector<std::u16string> texts;  // name and address of each contact, as UTF-16
  std::vector<std::array<std::uint8_t, kContactRecordSize>> records;  // as Foxmail 7 stores them
  bool operator==(const Outcome&) const = default;
};

Outcome Reference(const char* body, const std::vector<std::size_t>& reads) {
  Outcome out;
  reference::ResponseBodyDecoder decoder;
  std::size_t at = 0;
  for (std::size_t size : reads) {
    decoder.Append(body + at, size);
    at += size;
  }
  out.received = decoder.received();
  const std::u16string text = decoder.TakeText();
  out.addressXml = reference::Utf16ToUtf8(text);
  reference::XmlError error = reference::XmlError::None;
  reference::ParseXmlDocument(text, &error);
  out.parseCode = static_cast<int>(error);
  const reference::AddressBookAnswer answer = reference::ReadAddressBookAnswer(text);
  out.kind = static_cast<int>(answer.kind);
  out.errorText = answer.errorText;
  out.closed = answer.addressBookClosed;
  std::uint32_t number = 1;
  for (const reference::AddrContact& contact : answer.contacts) {
    out.texts.push_back(contact.Name);
    out.texts.push_back(contact.EMail);
    out.records.push_back(reference::BuildContactRecord(number++, contact));
  }
  return out;
}

Outcome Today(const char* body, const std::vector<std::size_t>& reads) {
  Outcome out;
  ResponseBodyDecoder decoder;
  std::size_t at = 0;
  for (std::size_t size : reads) {
    decoder.Append(body + at, size);
    at += size;
  }
  out.received = decoder.received();
  AnswerText answer(decoder.TakeUtf8());
  out.addressXml = answer.Utf8();
  NoHandler none;
  out.parseCode = static_cast<int>(ReadXml(answer.Utf8(), none));
  const AddressBookAnswer read = ReadAnswerText(std::move(answer));
  out.kind = static_cast<int>(read.kind);
  out.errorText = read.errorText;
  out.closed = read.addressBookClosed;
  for (std::size_t i = 0; i < read.contacts.size(); ++i) {
    // What Outlook and the address book get, and what Foxmail 7 stores.
    const AddrContact contact = read.contacts[i];
    out.texts.push_back(contact.Name);
    out.texts.push_back(contact.EMail);
    out.records.push_back(BuildContactRecord(static_cast<std::uint32_t>(i + 1),
                                             read.contacts.NameUtf8(i),
                                             read.contacts.EMailUtf8(i)));
  }
  return out;
}

bool SameOptional(const std::optional<std::u16string_view>& a,
                  const std::optional<std::u16string_view>& b) {
  return a.has_value() == b.has_value() && (!a || *a == *b);
}

// Both trees node by node, without recursion.
void CheckSameTree(const reference::XmlNode& expectedRoot, const XmlNode& actualRoot) {
  Check(expectedRoot.IsEmpty() == actualRoot.IsEmpty());
  std::vector<std::pair<reference::XmlNode, XmlNode>> stack = {{expectedRoot, actualRoot}};
  while (!stack.empty()) {
    const auto [expected, actual] = std::move(stack.back());
    stack.pop_back();
    if (expected.IsEmpty()) continue;
    Check(SameOptional(expected.Name(), actual.Name()));
    Check(expected.IsDeclaration() == actual.IsDeclaration());
    Check(expected.IsClosed() == actual.IsClosed());
    Check(expected.Attributes().size() == actual.Attributes().size());
    for (std::size_t i = 0; i < expected.Attributes().size(); ++i) {
      Check(expected.Attributes()[i].name == actual.Attributes()[i].name);
      Check(SameOptional(expected.Attributes()[i].value, actual.Attributes()[i].value));
    }
    Check(expected.Texts().size() == actual.Texts().size());
    for (std::size_t i = 0; i < expected.Texts().size(); ++i) {
      Check(expected.Texts()[i] == actual.Texts()[i]);
    }
    Check(expected.RawSections().size() == actual.RawSections().size());
    for (std::size_t i = 0; i < expected.RawSections().size(); ++i) {
      const auto& e = expected.RawSections()[i];
      const auto& a = actual.RawSections()[i];
      Check(e.openMarker == a.openMarker && e.closeMarker == a.closeMarker &&
            e.content == a.content);
    }
    Check(expected.ChildCount() == actual.ChildCount());
    for (std::size_t i = 0; i < expected.ChildCount(); ++i) {
      stack.emplace_back(expected.ChildAt(i), actual.ChildAt(i));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const char* body = reinterpret_cast<const char*>(data);
  const std::vector<std::size_t> reads = ReadSizes(data[size - 1], size - 1);
  const Outcome expected = Reference(body, reads);
  Check(Today(body, reads) == expected);

  // The tree API reads text the caller has already decoded.
  const std::u16string text = reference::Utf8ToUtf16(std::string_view(body, size - 1));
  reference::XmlError expectedError = reference::XmlError::None;
  XmlError error = XmlError::None;
  CheckSameTree(reference::ParseXmlDocument(text, &expectedError), ParseXmlDocument(text, &error));
  Check(static_cast<int>(expectedError) == static_cast<int>(error));
  return 0;
}
