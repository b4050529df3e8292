#include "clients/foxmail7/foxmail7_storage_writer.h"

#include <algorithm>
#include <array>

#include "clients/foxmail7/foxmail7_blocks.h"
#include "clients/foxmail7/foxmail7_contact_record.h"
#include "clients/foxmail7/foxmail7_templates.h"

namespace {

bool WriteContactStorage(const AddrContactList& contacts, size_t count, IStorageSink& sink) {
  auto header = kContactStorageHeader;
  header[kContactCountOffset] = static_cast<uint8_t>(count & 0xFF);
  header[kContactCountOffset + 1] = static_cast<uint8_t>((count >> 8) & 0xFF);
  if (!sink.Write(header)) return false;
  // The records take the texts in UTF-8, as the list keeps them.
  for (size_t i = 0; i < count; ++i) {
    const ContactRecord record = BuildContactRecord(static_cast<uint32_t>(i + 1),
                                                    contacts.NameUtf8(i), contacts.EMailUtf8(i));
    if (!sink.Write(record)) return false;
  }
  return true;
}

bool WriteZeros(size_t count, IStorageSink& sink) {
  static constexpr std::array<uint8_t, 4096> kZeros{};
  while (count > 0) {
    const size_t piece = std::min(count, kZeros.size());
    if (!sink.Write(std::span(kZeros.data(), piece))) return false;
    count -= piece;
  }
  return true;
}

// Entries run from the last contact to the first, so the file ends with
// the entry of contact 1.
bool WriteMemberList(size_t count, IStorageSink& sink) {
  if (!sink.Write(kMemberListHeader)) return false;
  const size_t entries = count * kMemberEntrySize;
  if (entries < kMemberAreaMinimum && !WriteZeros(kMemberAreaMinimum - entries, sink)) {
    return false;
  }
  for (size_t number = count; number >= 1; --number) {
    const std::array<uint8_t, kMemberEntrySize> entry = {
        kMemberKey[0], kMemberKey[1], kMemberKey[2], kMemberKey[3],
        0x00,          0x00,          0x00,          static_cast<uint8_t>(number & 0xFF),
        0x00,          0x00,          0x00,          0x01};
    if (!sink.Write(entry)) return false;
  }
  return true;
}

}  // namespace

bool WriteFoxmail7File(Foxmail7File file, const AddrContactList& contacts, IStorageSink& sink,
                       size_t firstOnes) {
  const size_t count = std::min(contacts.size(), firstOnes);
  switch (file) {
    case Foxmail7File::AddrGroup: return sink.Write(kGroupListHeader);
    case Foxmail7File::AddrDataHea: return WriteContactStorage(contacts, count, sink);
    case Foxmail7File::AddrFolderMember: return WriteMemberList(count, sink);
    case Foxmail7File::AddrFolderTreeStgtre:
    case Foxmail7File::AddrFolderTreeStgRec0:
    case Foxmail7File::AddrFolderTreeStgHtb:
    case Foxmail7File::AddrDataRec0: break;
  }
  const auto bytes = Foxmail7Template(Foxmail7FileTemplateId(file));
  return !bytes.empty() && sink.Write(bytes);
}

std::string BuildFoxmail7File(Foxmail7File file, const AddrContactList& contacts) {
  ByteStringSink sink;
  (void)WriteFoxmail7File(file, contacts, sink);  // memory takes every write
  return sink.bytes();
}
