#include "clients/writer_factory_win.h"

std::unique_ptr<IAddrBookSync> WindowsWriterFactory::Create(WriterType type) {
  switch (type) {
    default:
      return nullptr;
  }
}
