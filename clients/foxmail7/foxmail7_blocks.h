#pragma once
// The fixed byte blocks from which the three built storage files are
// assembled. Foxmail 7 expects them exactly as they are.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>

// A block of N bytes, zero but at the (offset, value) pairs given.
template <size_t N>
constexpr std::array<uint8_t, N> SparseBytes(
    std::initializer_list<std::pair<size_t, uint8_t>> set) {
  std::array<uint8_t, N> block{};
  for (const auto& [offset, value] : set) block[offset] = value;
  return block;
}

// FXIS header of AddrData.hea: H = 64, P = 521; bytes 8-9 take the record
// count when the file is written.
inline constexpr std::array<uint8_t, 96> kContactStorageHeader = {
    0x46, 0x58, 0x49, 0x53, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x14, 0x7D, 0xC8, 0x1F, 0x75, 0x0A, 0xE4, 0x40, 0x40, 0x00, 0x00, 0x00, 0x09, 0x02, 0x00, 0x00,
    0x54, 0xFE, 0x12, 0x00, 0x09, 0x02, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x53, 0x57, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x98, 0xEA, 0x1D, 0x02, 0x64, 0xFB, 0x12, 0x00,
    0x42, 0x39, 0x69, 0x00, 0x40, 0xFB, 0x12, 0x00, 0x75, 0x3A, 0x69, 0x00, 0x64, 0xFB, 0x12, 0x00,
    0x80, 0xFB, 0x12, 0x00, 0xA1, 0x43, 0x40, 0x00, 0x64, 0xFB, 0x12, 0x00, 0x98, 0xEA, 0x1D, 0x02,
};
inline constexpr size_t kContactCountOffset = 0x08;

inline constexpr std::array<uint8_t, 9> kRecordHead = {
    0x8C, 0x00, 0x00, 0x00, 0x00, 0x80, 0xFF, 0x00, 0x00,
};

inline constexpr std::array<uint8_t, 95> kRecordTrailer = SparseBytes<95>({{0x00, 0xED},
                                                                           {0x01, 0x12},
                                                                           {0x08, 0x67},
                                                                           {0x10, 0x5E},
                                                                           {0x11, 0x40},
                                                                           {0x13, 0xD1},
                                                                           {0x14, 0x5E},
                                                                           {0x15, 0x40},
                                                                           {0x5D, 0x12}});

// Contact record: 8-byte prefix, head, then the text area of name, four
// zero bytes, address and zero fill, then the trailer.
inline constexpr size_t kRecordPrefixSize = 8;
inline constexpr size_t kRecordTextOffset = kRecordPrefixSize + kRecordHead.size();  // 17
inline constexpr size_t kNameSeparatorSize = 4;
inline constexpr size_t kRecordTextAreaSize = 417;
inline constexpr size_t kRecordTextLimit = kRecordTextAreaSize - kNameSeparatorSize;        // 413
inline constexpr size_t kRecordTrailerOffset = kRecordTextOffset + kRecordTextAreaSize;     // 434
inline constexpr size_t kContactRecordSize = kRecordTrailerOffset + kRecordTrailer.size();  // 529

inline constexpr std::array<uint8_t, 32> kGroupListHeader = {
    'K',  'V',  'L',  'S',  0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x08,
    0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

inline constexpr std::array<uint8_t, 32> kMemberListHeader = {
    'K',  'V',  'L',  'S',  0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04,
    0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

inline constexpr std::array<uint8_t, 4> kMemberKey = {0xA1, 0xC2, 0x3F, 0xAE};
inline constexpr size_t kMemberEntrySize = 12;
// The member entries fill the end of a data area of at least this size.
inline constexpr size_t kMemberAreaMinimum = 12288;
