#pragma once
// Creates the writer of each mail client this build supports.

#include <string>
#include <utility>

#include "clients/outlook/contact_folder_record.h"
#include "sync/sync_run.h"

class WindowsWriterFactory final : public IWriterFactory {
 public:
  // `outlookRecordPath`: the record Outlook 2013+ keeps of what it wrote;
  // `outlookFolder`: the Outlook writers' folder of their own, if any.
  explicit WindowsWriterFactory(std::u16string outlookRecordPath,
                                OutlookFolderChoice outlookFolder = {})
      : outlookRecordPath_(std::move(outlookRecordPath)),
        outlookFolder_(std::move(outlookFolder)) {}
  std::unique_ptr<IAddrBookSync> Create(WriterType type) override;

 private:
  const std::u16string outlookRecordPath_;
  const OutlookFolderChoice outlookFolder_;
};
