#pragma once
// Where this program's files are, decided once at start from what the
// installation recorded (app/program_files.h).

#include <optional>
#include <string>

#include "app/program_files.h"

struct ThisProgram {
  ProgramFiles files;
  bool perMachine = false;  // the program of a per-machine installation
};

// Creates the user's folder when the files go there.
ThisProgram LocateThisProgram();

// The user's own per-user installation, which wins over the machine's for
// him: its program's folder, empty when its version did not record it.
std::optional<std::u16string> UsersOwnInstallation();
