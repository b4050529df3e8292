#pragma once
// The four storage files that Foxmail 7 gets unchanged in every run,
// compiled into the program.

#include <cstdint>
#include <span>

inline constexpr int kFolderTreeTemplateId = 131;         // AddrFolderTreeStgtre
inline constexpr int kFolderTreeRecordsTemplateId = 132;  // AddrFolderTreeStg.rec0
inline constexpr int kFolderTreeIndexTemplateId = 133;    // AddrFolderTreeStg.htb
inline constexpr int kContactRecordsTemplateId = 134;     // AddrData.rec0

// The bytes of template `id`; empty for an id that is not one of the four.
std::span<const uint8_t> Foxmail7Template(int id);
