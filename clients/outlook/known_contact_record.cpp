#include "clients/outlook/known_contact_record.h"

#include <cstdio>

#include "common/utf_convert.h"

namespace {

constexpr std::string_view kHeader = "KESTRANODE_MAIL Outlook contacts 1";

void AppendEscaped(std::string& out, std::u16string_view field) {
  for (char c : Utf16ToUtf8(field)) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
}

std::optional<std::u16string> Unescaped(std::string_view field) {
  std::string text;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      text += field[i];
      continue;
    }
    if (++i == field.size()) return std::nullopt;
    switch (field[i]) {
      case 't': text += '\t'; break;
      case 'n': text += '\n'; break;
      case 'r': text += '\r'; break;
      case '\\': text += '\\'; break;
      default: return std::nullopt;
    }
  }
  bool valid = true;
  std::u16string decoded = Utf8ToUtf16(text, &valid);
  if (!valid) return std::nullopt;
  return decoded;
}

std::optional<uint64_t> Hex64(std::string_view field) {
  if (field.empty() || field.size() > 16) return std::nullopt;
  uint64_t value = 0;
  for (char c : field) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else
      return std::nullopt;
    value = value << 4 | static_cast<uint64_t>(digit);
  }
  return value;
}

std::optional<KnownContact> ParseLine(std::string_view line) {
  std::string_view fields[4];
  for (size_t i = 0; i < 4; ++i) {
    const size_t tab = line.find('\t');
    if ((tab == std::string_view::npos) != (i == 3)) return std::nullopt;
    fields[i] = line.substr(0, tab);
    if (tab != std::string_view::npos) line.remove_prefix(tab + 1);
  }
  KnownContact entry;
  const std::optional<std::u16string> id = Unescaped(fields[0]);
  const std::optional<uint64_t> modified = Hex64(fields[1]);
  const std::optional<std::u16string> name = Unescaped(fields[2]);
  const std::optional<std::u16string> email = Unescaped(fields[3]);
  if (!id || id->empty() || !modified || !name || !email) return std::nullopt;
  return KnownContact{*id, *modified, *name, *email};
}

}  // namespace

std::string FormatKnownContactRecord(const KnownContactRecord& record) {
  std::string text(kHeader);
  text += '\n';
  for (const KnownContact& entry : record) {
    AppendEscaped(text, entry.entryId);
    char modified[20];
    std::snprintf(modified, sizeof modified, "\t%llx\t",
                  static_cast<unsigned long long>(entry.modified));
    text += modified;
    AppendEscaped(text, entry.name);
    text += '\t';
    AppendEscaped(text, entry.email);
    text += '\n';
  }
  return text;
}

std::optional<KnownContactRecord> ParseKnownContactRecord(std::string_view text) {
  // A record cut short (a full disk, a crash while writing) lacks its last
  // line feed and is damaged as a whole.
  if (text.substr(0, kHeader.size()) != kHeader || text.empty() || text.back() != '\n') {
    return std::nullopt;
  }
  text.remove_prefix(kHeader.size());
  if (text.empty() || text.front() != '\n') return std::nullopt;
  text.remove_prefix(1);
  KnownContactRecord record;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::optional<KnownContact> entry = ParseLine(text.substr(0, end));
    if (!entry) return std::nullopt;
    record.push_back(std::move(*entry));
    text.remove_prefix(end + 1);
  }
  return record;
}
