#include "clients/foxmail7/foxmail7_contact_record.h"

#include <algorithm>

namespace {

// A zero byte would read as the end of the field.
std::string_view Stored(std::string_view utf8) { return utf8.substr(0, utf8.find('\0')); }

// Never splits a UTF-8 sequence: Foxmail 7 would show a broken character.
void ShortenAtCharBoundary(std::string_view& utf8, size_t maxBytes) {
  if (utf8.size() <= maxBytes) return;
  size_t cut = maxBytes;
  while (cut > 0 && (static_cast<uint8_t>(utf8[cut]) & 0xC0) == 0x80) --cut;
  utf8 = utf8.substr(0, cut);
}

}  // namespace

RecordTexts RecordTextsFor(std::string_view name, std::string_view address) {
  RecordTexts texts{Stored(name), Stored(address)};
  const size_t total = texts.name.size() + texts.address.size();
  if (total > kRecordTextLimit) {
    const size_t excess = total - kRecordTextLimit;
    ShortenAtCharBoundary(texts.name, texts.name.size() - std::min(excess, texts.name.size()));
    ShortenAtCharBoundary(texts.address, kRecordTextLimit - texts.name.size());
  }
  return texts;
}

ContactRecord BuildContactRecord(uint32_t number, std::string_view name, std::string_view address) {
  const RecordTexts texts = RecordTextsFor(name, address);
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
