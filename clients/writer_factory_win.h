#pragma once
// Creates the writer of each mail client this build supports.

#include <string>
#include <utility>

#include "sync/sync_run.h"

class WindowsWriterFactory final : public IWriterFactory {
 public:
  // `outlookRecordPath`: the record Outlook 2013+ keeps of what it wrote.
  explicit WindowsWriterFactory(std::u16string outlookRecordPath)
      : outlookRecordPath_(std::move(outlookRecordPath)) {}
  std::unique_ptr<IAddrBookSync> Create(WriterType type) override;

 private:
  const std::u16string outlookRecordPath_;
};
