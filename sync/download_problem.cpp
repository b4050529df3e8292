#include "sync/download_problem.h"

#include "common/utf_convert.h"

namespace {

std::u16string Number(uint64_t n) { return AsciiToUtf16(std::to_string(n)); }

std::u16string Said(const DownloadProblem& problem) {
  switch (problem.cause) {
    case DownloadCause::Unknown: return {};
    case DownloadCause::HttpNotFound: return u"HTTP 404";
    case DownloadCause::HttpUnauthorized: return u"HTTP 401";
    case DownloadCause::BadUrl: return u"服务器地址无效";
    case DownloadCause::TimedOut: return u"连接超时";
    case DownloadCause::NameNotResolved: return u"无法解析服务器名称";
    case DownloadCause::CannotConnect: return u"无法连接到服务器";
    case DownloadCause::ConnectionBroken: return u"连接被中断";
    case DownloadCause::InvalidResponse: return u"服务器答复无效";
    case DownloadCause::SecureChannelFailed: return u"安全连接失败";
    case DownloadCause::CertificateAuthority: return u"证书颁发机构不受信任";
    case DownloadCause::CertificateName: return u"证书与服务器名称不符";
    case DownloadCause::CertificateDate: return u"证书已过期或尚未生效";
    case DownloadCause::CertificateRevoked: return u"证书已被吊销";
    case DownloadCause::RevocationUnknown: return u"无法检查证书是否已被吊销";
    case DownloadCause::CutShort: return u"答复不完整";
    case DownloadCause::DecodingFailed: return u"答复无法解压";
    case DownloadCause::TooLarge: return u"答复超过" + Number(problem.number >> 20) + u"MB";
    case DownloadCause::TooManyPersons: return u"答复超过" + Number(problem.number) + u"个联系人";
    case DownloadCause::TooLong:
      return u"下载超过" + (problem.number % 60 ? Number(problem.number) + u"秒"
                                                : Number(problem.number / 60) + u"分钟");
    case DownloadCause::OutOfMemory: return u"内存不足";
    case DownloadCause::PlatformError: return u"错误代码" + Number(problem.number);
  }
  return {};
}

}  // namespace

std::u16string DownloadProblemText(const DownloadProblem& problem) {
  const std::u16string said = Said(problem);
  return said.empty() ? said : u"（" + said + u"）";
}
