#pragma once
// The record of Outlook 2013+ runs on disk (see known_contact_record.h).

#include <optional>
#include <string>

#include "clients/outlook/known_contact_record.h"

// Nothing when the file is missing, unreadable or damaged.
std::optional<KnownContactRecord> LoadKnownContactRecord(const std::u16string& path);
// Replaces the file as a whole (written beside it first, then moved over
// it), so a run that ends half-way never leaves a record cut short.
[[nodiscard]] bool SaveKnownContactRecord(const std::u16string& path,
                                          const KnownContactRecord& record);
