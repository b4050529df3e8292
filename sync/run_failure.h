#pragma once
// Why a run failed, and whether that cause can pass by itself within
// minutes: the resident program tries an automatic run again only then.

#include <cstdint>

enum class RunFailure {
  None,
  NoPassword,
  DownloadFailed,      // no answer, a cut one, or one without a status line
  CertificateInvalid,
  ParseFailed,
  ServerError,         // the server's own text: a wrong password, a locked account
  ClientNotInstalled,
  ClientUnavailable,   // the mail client could not be started, was busy or did not answer
  ClientFilesInUse,    // its files were held, or the client itself was running
  EmptyList,           // the empty company list refused
  WriterFailed,        // anything else a writer reports
  RunLockUnavailable,
  RunError,            // an exception inside the run
};

// The one place that says which causes a retry may cure.
bool CanPassBySelf(RunFailure failure);
