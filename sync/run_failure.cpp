#include "sync/run_failure.h"

// Anything the user or an administrator must fix is not retried: a retry
// would only repeat the failure (and, for a wrong password, may lock the
// account).
bool CanPassBySelf(RunFailure failure) {
  switch (failure) {
    case RunFailure::DownloadFailed:
    case RunFailure::ClientUnavailable:
    case RunFailure::ClientFilesInUse:
    case RunFailure::ClientRunning:
    case RunFailure::RunLockUnavailable: return true;
    case RunFailure::None:
    case RunFailure::NoPassword:
    case RunFailure::CertificateInvalid:
    case RunFailure::ParseFailed:
    case RunFailure::ServerError:
    case RunFailure::ClientNotInstalled:
    case RunFailure::EmptyList:
    case RunFailure::WriterFailed:
    case RunFailure::RunError:
    case RunFailure::Stopped: return false;
  }
  return false;
}
