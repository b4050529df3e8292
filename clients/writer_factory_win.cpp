#include "clients/writer_factory_win.h"

#include "clients/foxmail7/foxmail7_sync_win.h"
#include "clients/outlook/service_outlook_sync_win.h"
#include "clients/wab/service_outlook_express_sync_win.h"

std::unique_ptr<IAddrBookSync> WindowsWriterFactory::Create(WriterType type) {
  switch (type) {
    case WriterType::OutlookExpress: return std::make_unique<CServiceOutlookExpressSync>();
    case WriterType::Outlook:
      return std::make_unique<CServiceOutlookSync>(OutlookWriteMode::ReplaceAll, std::u16string(),
                                                   outlookFolder_);
    case WriterType::OutlookChangesOnly:
      return std::make_unique<CServiceOutlookSync>(OutlookWriteMode::ChangesOnly,
                                                   outlookRecordPath_, outlookFolder_);
    case WriterType::Foxmail7: return std::make_unique<CServiceFoxmail7Sync>();
    case WriterType::None:
    case WriterType::RefusedFoxmail56: return nullptr;
  }
  return nullptr;
}
