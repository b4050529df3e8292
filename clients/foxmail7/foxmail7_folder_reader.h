#pragma once
// Reads a Foxmail 7 address folder back: the contacts in record order and
// every way in which the files depart from the structure the writer
// produces. For tools and tests; the program itself never reads the folder.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "clients/foxmail7/foxmail7_files.h"
#include "sync/addr_contact.h"

// The contents of the seven files in the order of kFoxmail7Files; nullopt
// for a file that is missing.
using Foxmail7FolderBytes = std::array<std::optional<std::string>, kFoxmail7Files.size()>;

struct Foxmail7FolderReport {
  AddrContactList contacts;           // the records of AddrData.hea that could be read
  std::vector<std::string> problems;  // UTF-8, one per finding; empty when well formed
  bool wellFormed() const { return problems.empty(); }
};

Foxmail7FolderReport ReadFoxmail7Folder(const Foxmail7FolderBytes& files);
