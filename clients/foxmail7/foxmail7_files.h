#pragma once
// The seven files of a Foxmail 7 address folder, in the order in which they
// are written.

#include <array>
#include <string_view>

enum class Foxmail7File {
  AddrGroup,
  AddrFolderTreeStgtre,
  AddrFolderTreeStgRec0,
  AddrFolderTreeStgHtb,
  AddrDataRec0,
  AddrDataHea,
  AddrFolderMember,
};

inline constexpr std::array<Foxmail7File, 7> kFoxmail7Files = {
    Foxmail7File::AddrGroup,
    Foxmail7File::AddrFolderTreeStgtre,
    Foxmail7File::AddrFolderTreeStgRec0,
    Foxmail7File::AddrFolderTreeStgHtb,
    Foxmail7File::AddrDataRec0,
    Foxmail7File::AddrDataHea,
    Foxmail7File::AddrFolderMember,
};

// The file's name inside the folder, without a directory.
std::u16string_view Foxmail7FileName(Foxmail7File file);

// The template the file is copied from, or 0 for the three built files.
int Foxmail7FileTemplateId(Foxmail7File file);
