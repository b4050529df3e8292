#pragma once
// Reference copy of clients/foxmail7/foxmail7_contact_record.h before the UTF-8 path,
// kept for the differential fuzz target: only includes and namespace differ.
// One contact as a record of AddrData.hea.

#include <array>
#include <cstdint>
#include <string>

#include "clients/foxmail7/foxmail7_blocks.h"
#include "xml/fuzz/reference/addr_contact.h"

namespace reference {

// A contact's display name and address as the record stores them: UTF-8,
// each ending before its first zero byte, together at most
// kRecordTextLimit bytes. Texts that are too long together lose characters
// at the end, the name first, so that the record keeps its size.
struct RecordTexts {
  std::string name;
  std::string address;
};
RecordTexts RecordTextsFor(const AddrContact& contact);

using ContactRecord = std::array<uint8_t, kContactRecordSize>;

// The record of contact number `number` (stored modulo 65536, as the
// 16-bit field holds it).
ContactRecord BuildContactRecord(uint32_t number, const AddrContact& contact);

}  // namespace reference
