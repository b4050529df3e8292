#include "clients/foxmail7/foxmail7_folder_reader.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "clients/foxmail7/foxmail7_blocks.h"
#include "common/utf_convert.h"

namespace {

constexpr size_t kFxisHeaderSize = 0x20;

uint8_t ByteAt(std::string_view bytes, size_t at) { return static_cast<uint8_t>(bytes[at]); }

uint32_t Le32(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= uint32_t{ByteAt(bytes, at + i)} << (8 * i);
  return value;
}

template <size_t N>
bool Matches(std::string_view bytes, size_t at, const std::array<uint8_t, N>& block) {
  return bytes.size() >= at + N &&
         std::equal(block.begin(), block.end(), bytes.begin() + at,
                    [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); });
}

bool AllZero(std::string_view bytes) {
  return bytes.find_first_not_of('\0') == std::string_view::npos;
}

class Checker {
 public:
  explicit Checker(Foxmail7FolderReport& report) : report_(report) {}
  void Problem(std::u16string_view file, const std::string& what) {
    report_.problems.push_back(Utf16ToUtf8(file) + ": " + what);
  }

 private:
  Foxmail7FolderReport& report_;
};

struct FxisLayout {
  uint32_t headerArea = 0;  // H
  uint32_t payload = 0;     // P
  size_t records = 0;
};

// The FXIS frame shared by the folder tree and the contact storage: header,
// header area, then numbered records of equal size filling the file.
std::optional<FxisLayout> CheckFxis(std::u16string_view name, std::string_view bytes,
                                    Checker& check) {
  if (bytes.size() < kFxisHeaderSize || bytes.substr(0, 4) != "FXIS") {
    check.Problem(name, "not an FXIS file");
    return std::nullopt;
  }
  FxisLayout layout{Le32(bytes, 0x18), Le32(bytes, 0x1C), 0};
  const size_t recordSize = size_t{layout.payload} + kRecordPrefixSize;
  const size_t recordsStart = kFxisHeaderSize + size_t{layout.headerArea};
  if (bytes.size() < recordsStart || (bytes.size() - recordsStart) % recordSize != 0) {
    check.Problem(name, "length " + std::to_string(bytes.size()) +
                            " is not a whole number of records of " + std::to_string(recordSize) +
                            " bytes");
    return std::nullopt;
  }
  layout.records = (bytes.size() - recordsStart) / recordSize;
  const uint32_t count = Le32(bytes, 0x08);
  // Counts and record numbers are 16 bits wide: more records cannot be read
  // as they were meant.
  if (count != layout.records || layout.records > 0xFFFF) {
    check.Problem(name, "record count " + std::to_string(count) + " but " +
                            std::to_string(layout.records) + " records");
  }
  for (size_t k = 1; k <= layout.records; ++k) {
    const size_t at = recordsStart + (k - 1) * recordSize;
    const uint32_t number = ByteAt(bytes, at) | (ByteAt(bytes, at + 1) << 8);
    if (number != (k & 0xFFFF) || !AllZero(bytes.substr(at + 2, 6))) {
      check.Problem(name, "record " + std::to_string(k) + " has a wrong record prefix");
    }
  }
  return layout;
}

std::optional<std::u16string> ReadRecordText(std::string_view utf8) {
  bool valid = false;
  std::u16string text = Utf8ToUtf16(utf8, &valid);
  if (!valid) return std::nullopt;
  return text;
}

// Name, four zero bytes, address, zero fill: texts hold no zero byte, so
// the first zero ends the name and the next one the address.
void ReadContactRecord(size_t k, std::string_view record, Checker& check,
                       AddrContactList& contacts) {
  const std::u16string name = u"AddrData.hea";
  const std::string where = "record " + std::to_string(k) + ": ";
  if (!Matches(record, kRecordPrefixSize, kRecordHead)) {
    check.Problem(name, where + "record head differs");
  }
  if (!Matches(record, kRecordTrailerOffset, kRecordTrailer)) {
    check.Problem(name, where + "record trailer differs");
  }
  const std::string_view area = record.substr(kRecordTextOffset, kRecordTextAreaSize);
  const size_t nameEnd = std::min(area.find('\0'), kRecordTextLimit);
  const size_t addressStart = nameEnd + kNameSeparatorSize;
  if (!AllZero(area.substr(nameEnd, kNameSeparatorSize))) {
    check.Problem(name, where + "no separator after the name");
    return;
  }
  const std::string_view rest = area.substr(addressStart);
  const std::string_view address = rest.substr(0, rest.find('\0'));
  if (!AllZero(rest.substr(address.size()))) {
    check.Problem(name, where + "bytes after the address");
  }
  const auto nameText = ReadRecordText(area.substr(0, nameEnd));
  const auto addressText = ReadRecordText(address);
  if (!nameText || !addressText) {
    check.Problem(name, where + "text is not UTF-8");
    return;
  }
  contacts.push_back({*nameText, *addressText});
}

std::optional<size_t> CheckContactStorage(std::string_view bytes, Checker& check,
                                          AddrContactList& contacts) {
  const std::u16string name = u"AddrData.hea";
  const auto layout = CheckFxis(name, bytes, check);
  if (!layout) return std::nullopt;
  if (layout->headerArea != kContactStorageHeader.size() - kFxisHeaderSize ||
      layout->payload != kContactRecordSize - kRecordPrefixSize) {
    check.Problem(name, "not laid out for contact records");
    return std::nullopt;
  }
  for (size_t k = 1; k <= layout->records; ++k) {
    const size_t at = kContactStorageHeader.size() + (k - 1) * kContactRecordSize;
    ReadContactRecord(k, bytes.substr(at, kContactRecordSize), check, contacts);
  }
  return layout->records;
}

bool IsMemberEntry(std::string_view entry, size_t k) {
  return Matches(entry, 0, kMemberKey) && AllZero(entry.substr(4, 3)) &&
         ByteAt(entry, 7) == (k & 0xFF) && entry.substr(8) == std::string_view("\0\0\0\1", 4);
}

// Entries fill the file from its end, contact 1 last; before them only
// zeros, and at least the minimum data area.
void CheckMemberList(std::string_view bytes, std::optional<size_t> records, Checker& check) {
  const std::u16string name = u"AddrFolderMember";
  if (!Matches(bytes, 0, kMemberListHeader)) {
    check.Problem(name, "member list header differs");
    return;
  }
  const std::string_view data = bytes.substr(kMemberListHeader.size());
  size_t entries = 0;
  while (
      (entries + 1) * kMemberEntrySize <= data.size() &&
      IsMemberEntry(data.substr(data.size() - (entries + 1) * kMemberEntrySize, kMemberEntrySize),
                    entries + 1)) {
    ++entries;
  }
  const size_t zeroArea = data.size() - entries * kMemberEntrySize;
  if (!AllZero(data.substr(0, zeroArea))) {
    check.Problem(name, "unexpected bytes before the member entries");
  }
  if (data.size() != std::max(kMemberAreaMinimum, entries * kMemberEntrySize)) {
    check.Problem(name, "data area of " + std::to_string(data.size()) + " bytes for " +
                            std::to_string(entries) + " entries");
  }
  if (records && *records != entries) {
    check.Problem(name, std::to_string(entries) + " member entries for " +
                            std::to_string(*records) + " contact records");
  }
}

void CheckKvlsHeader(std::u16string_view name, std::string_view bytes, Checker& check) {
  if (bytes.size() < kGroupListHeader.size() || bytes.substr(0, 4) != "KVLS") {
    check.Problem(name, "not a KVLS file");
  }
}

void CheckRecordFile(std::u16string_view name, std::string_view bytes, Checker& check) {
  if (bytes.size() < 0x10 || bytes.substr(0, 4) != "RECF") {
    check.Problem(name, "not a RECF file");
  } else if (Le32(bytes, 0x0C) != bytes.size()) {
    check.Problem(name, "length field differs from the file's length");
  }
}

void CheckIndexFile(std::u16string_view name, std::string_view bytes, Checker& check) {
  if (bytes.size() < 0x0C || bytes.substr(0, 4) != "IDTS") {
    check.Problem(name, "not an IDTS file");
  }
}

}  // namespace

Foxmail7FolderReport ReadFoxmail7Folder(const Foxmail7FolderBytes& files) {
  Foxmail7FolderReport report;
  Checker check(report);
  std::optional<size_t> records;
  for (size_t i = 0; i < kFoxmail7Files.size(); ++i) {
    const Foxmail7File file = kFoxmail7Files[i];
    const std::u16string_view name = Foxmail7FileName(file);
    if (!files[i]) {
      check.Problem(name, "missing");
      continue;
    }
    const std::string_view bytes = *files[i];
    switch (file) {
      case Foxmail7File::AddrGroup: CheckKvlsHeader(name, bytes, check); break;
      case Foxmail7File::AddrFolderTreeStgtre: CheckFxis(name, bytes, check); break;
      case Foxmail7File::AddrFolderTreeStgRec0:
      case Foxmail7File::AddrDataRec0: CheckRecordFile(name, bytes, check); break;
      case Foxmail7File::AddrFolderTreeStgHtb: CheckIndexFile(name, bytes, check); break;
      case Foxmail7File::AddrDataHea:
        records = CheckContactStorage(bytes, check, report.contacts);
        break;
      case Foxmail7File::AddrFolderMember:  // after AddrDataHea, whose count it must match
        CheckMemberList(bytes, records, check);
        break;
    }
  }
  return report;
}
