#include "sync/client_kind.h"

WriterType WriterForClientKind(int32_t kind) {
  switch (kind) {
    case ClientOutlookExpress: return WriterType::OutlookExpress;
    case ClientOutlook2003:
    case ClientOutlook2007:
    case ClientOutlook2010: return WriterType::Outlook;
    case ClientOutlook2013: return WriterType::OutlookChangesOnly;
    case ClientFoxmail56: return WriterType::RefusedFoxmail56;
    case ClientFoxmail7: return WriterType::Foxmail7;
    default: return WriterType::None;
  }
}

std::u16string ClientKindName(int32_t kind) {
  switch (kind) {
    case ClientOutlookExpress: return u"Outlook Express";
    case ClientOutlook2003: return u"Outlook 2003";
    case ClientOutlook2007: return u"Outlook 2007";
    case ClientOutlook2010: return u"Outlook 2010";
    case ClientFoxmail56: return u"Foxmail 5.x/6.x";
    case ClientFoxmail7: return u"Foxmail 7.x";
    case ClientOutlook2013: return u"Outlook 2013+";
    default: return {};
  }
}
