// Reference copy of clients/foxmail7/foxmail7_contact_record.cpp before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
#include "xml/fuzz/reference/foxmail7_contact_record.h"

#include <algorithm>

#include "xml/fuzz/reference/utf_convert.h"

namespace reference {

namespace {

std::string StoredUtf8(const std::u16string& text) {
  std::string utf8 = Utf16ToUtf8(text);
  // A zero byte would read as the end of the field.
  utf8.resize(std::min(utf8.size(), utf8.find('\0')));
  return utf8;
}

// Never splits a UTF-8 sequence: Foxmail 7 would show a broken character.
void ShortenAtCharBoundary(std::string& utf8, size_t maxBytes) {
  if (utf8.size() <= maxBytes) return;
  size_t cut = maxBytes;
  while (cut > 0 && (static_cast<uint8_t>(utf8[cut]) & 0xC0) == 0x80) --cut;
  utf8.resize(cut);
}

}  // namespace

RecordTexts RecordTextsFor(const AddrContact& contact) {
  RecordTexts texts{StoredUtf8(contact.Name), StoredUtf8(contact.EMail)};
  const size_t total = texts.name.size() + texts.address.size();
  if (total > kRecordTextLimit) {
    const size_t excess = total - kRecordTextLimit;
    ShortenAtCharBoundary(texts.name, texts.name.size() - std::min(excess, texts.name.size()));
    ShortenAtCharBoundary(texts.address, kRecordTextLimit - texts.name.size());
  }
  return texts;
}

ContactRecord BuildContactRecord(uint32_t number, const AddrContact& contact) {
  const RecordTexts texts = RecordTextsFor(contact);
  ContactRecord record{};
  record[0] = static_cast<uint8_t>(number & 0xFF);
  record[1] = static_cast<uint8_t>((number >> 8) & 0xFF);
  std::copy(kRecordHead.begin(), kRecordHead.end(), record.begin() + kRecordPrefixSize);
  auto text = record.begin() + kRecordTextOffset;
  text = std::copy(texts.name.begin(), texts.name.end(), text);
  text += kNameSeparatorSize;
  std::copy(texts.address.begin(), texts.address.end(), text);
  std::copy(kRecordTrailer.begin(), kRecordTrailer.end(), record.begin() + kRecordTrailerOffset);
  return record;
}

}  // namespace reference
