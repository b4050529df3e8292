#pragma once
// How the last OpenUrl or ReadBody of CHttpClient ended. The numbers are
// kept stable for anyone who logs or compares them; 4 and 5 are unused.

#include <cstdint>

enum class HttpLastStatus : int32_t {
  Success = 0,
  NotFound = 1,             // the server answered 404
  Unauthorized = 2,         // the server answered 401, as a number or as text
  BadUrl = 3,               // the URL cannot be split
  NoRequest = 6,            // ReadBody without a response left open by OpenUrl
  RequestFailed = 7,        // no session, connection or request, sending failed,
                            // no answer in time, or the header block unreadable
  OutOfMemory = 8,          // no memory for the body or its decoded text
  BodyIncomplete = 9,       // the body ended before the response said it would
  CertificateInvalid = 10,  // https: the server's certificate is not trusted
                            // for its host (unknown authority, wrong name,
                            // expired, revoked)
  BodyTooLarge = 11,        // the body went past the client's limit
};
