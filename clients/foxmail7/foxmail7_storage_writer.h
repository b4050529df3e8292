#pragma once
// Produces the bytes of each file of a Foxmail 7 address folder.

#include <cstdint>
#include <string>

#include "clients/foxmail7/foxmail7_files.h"
#include "clients/foxmail7/storage_sink.h"
#include "sync/addr_contact.h"

// Writes `file` for `contacts` (or only as many of the first ones as
// `firstOnes` says) into `sink` from its first byte to its last.
// Templates do not depend on the contacts. False as soon as the sink
// refuses a write; what was written before stays with the sink.
[[nodiscard]] bool WriteFoxmail7File(Foxmail7File file, const AddrContactList& contacts,
                                     IStorageSink& sink, size_t firstOnes = SIZE_MAX);

// The same, collected in memory.
std::string BuildFoxmail7File(Foxmail7File file, const AddrContactList& contacts);
