#pragma once
// One contact as a record of AddrData.hea.

#include <array>
#include <cstdint>
#include <string_view>

#include "clients/foxmail7/foxmail7_blocks.h"
// A contact's display name and address (UTF-8) as the record stores them:
// each ending before its first zero byte, together at most
// kRecordTextLimit bytes. Texts that are too long together lose characters
// at the end, the name first, so that the record keeps its size.
struct RecordTexts {
  std::string_view name;
  std::string_view address;
};
RecordTexts RecordTextsFor(std::string_view name, std::string_view address);

using ContactRecord = std::array<uint8_t, kContactRecordSize>;

// The record of contact number `number` (stored modulo 65536, as the
// 16-bit field holds it) with its name and address in UTF-8.
ContactRecord BuildContactRecord(uint32_t number, std::string_view name, std::string_view address);
