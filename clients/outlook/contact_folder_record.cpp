#include "clients/outlook/contact_folder_record.h"

#include "common/utf_convert.h"

namespace {

constexpr std::string_view kHeader = "KESTRANODE_MAIL Outlook folder 1\n";

}  // namespace

std::string FormatContactFolderRecord(const ContactFolderRecord& record) {
  std::string text(kHeader);
  text += record.created ? "1\t" : "0\t";
  text += Utf16ToUtf8(record.entryId) + "\t" + Utf16ToUtf8(record.name) + "\n";
  return text;
}

std::optional<ContactFolderRecord> ParseContactFolderRecord(std::string_view text) {
  if (text.substr(0, kHeader.size()) != kHeader) return std::nullopt;
  text.remove_prefix(kHeader.size());
  if (text.size() < 3 || (text[0] != '0' && text[0] != '1') || text[1] != '\t' ||
      text.back() != '\n') {
    return std::nullopt;
  }
  ContactFolderRecord record;
  record.created = text[0] == '1';
  text = text.substr(2, text.size() - 3);
  const size_t tab = text.find('\t');
  if (tab == std::string_view::npos || tab == 0) return std::nullopt;
  bool idValid = true, nameValid = true;
  record.entryId = Utf8ToUtf16(text.substr(0, tab), &idValid);
  record.name = Utf8ToUtf16(text.substr(tab + 1), &nameValid);
  if (!idValid || !nameValid || !IsContactFolderName(record.name) ||
      record.entryId.find_first_of(u"\t\n") != std::u16string::npos) {
    return std::nullopt;
  }
  return record;
}

bool IsContactFolderName(std::u16string_view name) {
  if (name.empty() || name.size() > 64) return false;
  for (const char16_t c : name) {
    if (c < 0x20 || c == 0x7F || c == u'\\') return false;
  }
  return true;
}
