#pragma once
// Starting the program for the logged-on user from inside the installer,
// whose process may hold more rights than the user's (an install from an
// elevated prompt).

#include <string>

enum class UserStart {
  ThroughShell,  // asked of the desktop's shell (Explorer): the user's own rights
  Directly,      // no shell to ask, and the installer runs with ordinary rights
  NotStarted,    // no shell to ask, and the installer is elevated (or the start failed)
};

// `program` with `arguments`, in `folder`; not waited for.
UserStart StartForUser(const std::u16string& program, const std::u16string& arguments,
                       const std::u16string& folder);
