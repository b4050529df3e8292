#pragma once
// Why a download failed, as far as the HTTP layer and the platform told:
// the user and the administrator read it after the failure's text, in
// brackets, to know whether to look at the server, the network or the
// certificate.

#include <cstdint>
#include <string>

enum class DownloadCause {
  Unknown,           // nothing more is known: no text
  HttpNotFound,      // the server answered 404
  HttpUnauthorized,  // the server answered 401
  BadUrl,
  TimedOut,  // no answer in time, or no progress for too long
  NameNotResolved,
  CannotConnect,         // refused or unreachable
  ConnectionBroken,      // aborted or reset while talking
  InvalidResponse,       // the server's answer was not HTTP
  SecureChannelFailed,   // the TLS handshake failed
  CertificateAuthority,  // issued by an authority not trusted
  CertificateName,       // made out for another name
  CertificateDate,       // expired or not yet valid
  CertificateRevoked,
  RevocationUnknown,  // its revocation could not be checked
  CutShort,           // the body ended before the answer did
  DecodingFailed,     // a compressed body that does not decode
  TooLarge,           // `number`: the limit in bytes
  TooManyPersons,     // `number`: the most persons an answer may hold
  TooLong,            // the whole download past its bound; `number`: seconds
  OutOfMemory,
  PlatformError,  // any other failure of the platform; `number`: its error
};

struct DownloadProblem {
  DownloadCause cause = DownloadCause::Unknown;
  uint64_t number = 0;
};

// "（…）", to follow a failed download's text; empty when nothing is known.
std::u16string DownloadProblemText(const DownloadProblem& problem);
