// libFuzzer target: the road from the bytes of an HTTP body to what a run
// writes. The last input byte picks the read sizes; the rest is the body (so
// the seed documents stay whole but for their last byte). Properties that
// any fault on the road breaks, each an abort:
// - the text kept is the bytes, cut at each slice's first zero byte,
//   decoded with replacement; read in one piece or split anywhere, a body
//   without zero bytes keeps the same text, so the same contacts;
// - the event parser's answer is what the XmlNode tree of the same text
//   holds: outcome, refusal text, contacts and whether the book was closed;
// - each contact's UTF-16 is its UTF-8 decoded, and its Foxmail 7 record is
//   the one built from those UTF-16 values;
// - each seed input has the outcome recorded for it below.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "clients/foxmail7/foxmail7_contact_record.h"
#include "common/utf_convert.h"
#include "net/response_body_decoder.h"
#include "sync/exchange_format.h"
#include "xml/xml_parser.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Seed {
  std::uint64_t hash;  // FNV-1a of the whole input
  const char* name;
  XmlError code;
  AnswerKind kind;
  std::size_t contacts;
  bool closed;
  bool met = false;
};

// What each seed of xml/fuzz/corpus comes to. A seed changed on purpose
// changes its line here; the replay names a seed it did not meet.
Seed seeds[] = {
    {0xca798e49b4c31a72u, "decl_addressbooks.xml", XmlError::None, AnswerKind::Contacts, 4, true},
    {0xd8029b29a966a786u, "decl_error.xml", XmlError::None, AnswerKind::ServerError, 0, false},
    {0xe0aceb0f4232323eu, "html_error_page.xml", XmlError::MismatchedEndTag,
     AnswerKind::ParseFailed, 0, false},
    {0x16ae365944c416eeu, "lowercase_nested.xml", XmlError::None, AnswerKind::Contacts, 3, true},
    {0x1ffe6094078d60e7u, "mismatched.xml", XmlError::Unbalanced, AnswerKind::ParseFailed, 0,
     false},
    {0xde8cc2d6c6328573u, "raw_sections.xml", XmlError::None, AnswerKind::Contacts, 0, true},
    {0x1b5ca132e2da70bdu, "wrapped_error.xml", XmlError::None, AnswerKind::ServerError, 0, false},
};

std::uint64_t Fnv1a(const std::uint8_t* data, std::size_t size) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x100000001b3u;
  return hash;
}

// Mostly short reads, so that they end inside characters, and now and then
// long ones that span several 2048-byte slices.
std::vector<std::size_t> ReadSizes(std::uint8_t seed, std::size_t total) {
  std::vector<std::size_t> sizes;
  std::uint32_t state = seed;
  for (std::size_t at = 0; at < total;) {
    state = state * 1664525u + 1013904223u;
    const std::size_t longest = (state >> 4) % 8 == 0 ? 5000 : 16;
    const std::size_t size = std::min<std::size_t>(1 + (state >> 8) % longest, total - at);
    sizes.push_back(size);
    at += size;
  }
  return sizes;
}

AnswerText Kept(std::string_view body, const std::vector<std::size_t>& reads) {
  ResponseBodyDecoder decoder;
  std::size_t at = 0;
  for (std::size_t size : reads) {
    decoder.Append(body.data() + at, size);
    at += size;
  }
  Check(decoder.received() == body.size());
  return AnswerText(decoder.TakeUtf8());
}

// The bytes a zero byte leaves of each 2048-byte slice of the body.
std::string ZeroCut(std::string_view body) {
  std::string kept;
  for (std::size_t at = 0; at < body.size(); at += ResponseBodyDecoder::kSliceBytes) {
    const std::string_view part = body.substr(at, ResponseBodyDecoder::kSliceBytes);
    kept += part.substr(0, part.find('\0'));
  }
  return kept;
}

// The answer as the tree of the same text tells it.
AddressBookAnswer FromTree(const XmlNode& document) {
  AddressBookAnswer answer;
  const XmlNode first = document.ChildAt(0);
  if (const XmlNode error = first.FindChild(u"error")) {
    answer.kind = AnswerKind::ServerError;
    answer.errorText = error.TextAt(0).value_or(u"");
  } else if (const XmlNode book = first.FindChild(u"addressbooks")) {
    answer.kind = AnswerKind::Contacts;
    answer.addressBookClosed = book.IsClosed();
    std::size_t at = 0;
    for (XmlNode person; (person = book.FindChild(u"person", &at));) {
      answer.contacts.push_back({std::u16string(person.GetAttribute(u"name").value_or(u"")),
                                 std::u16string(person.GetAttribute(u"e-mail").value_or(u""))});
    }
  }
  return answer;
}

void CheckContacts(const AddrContactList& contacts) {
  std::size_t i = 0;
  for (const AddrContact contact : contacts) {
    bool nameValid = false;
    bool emailValid = false;
    Check(contact.Name == Utf8ToUtf16(contacts.NameUtf8(i), &nameValid) && nameValid);
    Check(contact.EMail == Utf8ToUtf16(contacts.EMailUtf8(i), &emailValid) && emailValid);
    const auto number = static_cast<std::uint32_t>(i + 1);
    Check(BuildContactRecord(number, contacts.NameUtf8(i), contacts.EMailUtf8(i)) ==
          BuildContactRecord(number, Utf16ToUtf8(contact.Name), Utf16ToUtf8(contact.EMail)));
    ++i;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view body(reinterpret_cast<const char*>(data), size - 1);
  const std::vector<std::size_t> reads = ReadSizes(data[size - 1], body.size());
  const AnswerText text = Kept(body, reads);
  Check(text.Utf8() == Utf16ToUtf8(Utf8ToUtf16(ZeroCut(body))));

  const AddressBookAnswer read = ReadAnswerText(text);
  XmlError code = XmlError::OutOfMemory;
  const AddressBookAnswer tree = FromTree(ParseXmlDocument(Utf8ToUtf16(text.Utf8()), &code));
  Check(read.kind == tree.kind && read.errorText == tree.errorText &&
        read.contacts == tree.contacts && read.addressBookClosed == tree.addressBookClosed);
  CheckContacts(read.contacts);

  const std::uint64_t hash = Fnv1a(data, size);
  for (Seed& seed : seeds) {
    if (seed.hash != hash) continue;
    seed.met = true;
    Check(code == seed.code && read.kind == seed.kind && read.contacts.size() == seed.contacts &&
          read.addressBookClosed == seed.closed);
  }
  return 0;
}

// After a replay of the corpus: a seed that was changed or lost has left
// its outcome unchecked.
extern "C" int FuzzReplayEnd() {
  int missing = 0;
  for (const Seed& seed : seeds) {
    if (seed.met) continue;
    std::fprintf(stderr, "seed %s (FNV-1a %016llx) was not replayed\n", seed.name,
                 static_cast<unsigned long long>(seed.hash));
    ++missing;
  }
  return missing == 0 ? 0 : 1;
}
