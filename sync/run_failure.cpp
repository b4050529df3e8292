#include "sync/run_failure.h"

#include <iterator>

namespace {

struct Passing {
  RunFailure failure;
  bool canPass;
};

// Anything the user or an administrator must fix is not retried: a retry
// would only repeat the failure (and, for a wrong password, may lock the
// account).
constexpr Passing kTable[] = {
    {RunFailure::None, false},
    {RunFailure::NoPassword, false},
    {RunFailure::DownloadFailed, true},
    {RunFailure::CertificateInvalid, false},
    {RunFailure::ParseFailed, false},
    {RunFailure::ServerError, false},
    {RunFailure::ClientNotInstalled, false},
    {RunFailure::ClientUnavailable, true},
    {RunFailure::ClientFilesInUse, true},
    {RunFailure::EmptyList, false},
    {RunFailure::WriterFailed, false},
    {RunFailure::RunLockUnavailable, true},
    {RunFailure::RunError, false},
};

}  // namespace

bool CanPassBySelf(RunFailure failure) {
  for (const Passing& row : kTable) {
    if (row.failure == failure) return row.canPass;
  }
  return false;
}
