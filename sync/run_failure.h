#pragma once
// Why a run failed, and whether that cause can pass by itself within
// minutes: the resident program tries an automatic run again only then.

#include <cstdint>

enum class RunFailure {
  None,
  NoPassword,
  DownloadFailed,  // no answer, a cut one, or one without a status line
  CertificateInvalid,
  ParseFailed,
  ServerError,  // the server's own text: a wrong password, a locked account
  ClientNotInstalled,
  ClientUnavailable,  // the mail client could not be started, was busy or did not answer
  ClientFilesInUse,   // its files were held by another program
  ClientRunning,      // the client itself was running (or held its files): wait for it to end
  EmptyList,          // the empty company list refused
  WriterFailed,       // anything else a writer reports
  RunLockUnavailable,
  RunError,  // an exception inside the run
  Stopped,   // given up at Exit or the end of the session before anything was written
};

// The one place that says which causes a retry may cure.
bool CanPassBySelf(RunFailure failure);
