#pragma once
// Creates the writer of each mail client this build supports.

#include "sync/sync_run.h"

class WindowsWriterFactory final : public IWriterFactory {
 public:
  std::unique_ptr<IAddrBookSync> Create(WriterType type) override;
};
