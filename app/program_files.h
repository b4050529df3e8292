#pragma once
// The files the program keeps, and the one decision of where they live:
// in the folder of its executable, so that a copy in any folder the user
// can write to is whole, unless a per-machine installation put it where
// users cannot write. Named here only.

#include <string>

struct ProgramFiles {
  std::u16string settings;       // AddrBookSync.ini
  std::u16string log;            // syncaddrs.log
  std::u16string answerCopy;     // address.xml
  std::u16string outlookRecord;  // outlookcontacts.dat: what Outlook 2013+ runs wrote
  std::u16string outlookFolder;  // outlookfolder.dat: the Outlook folder of the company's own
};

// What an installation records under HKLM (per machine) or HKCU (per
// user): `Program` (1) and the program's folder.
inline constexpr char16_t kInstallationKey[] = u"Software\\Tarnwell\\Tarnwell地址簿同步";
inline constexpr char16_t kInstalledValue[] = u"Program";
inline constexpr char16_t kInstalledFolderValue[] = u"ProgramFolder";

// `folder` may end in a backslash.
ProgramFiles ProgramFilesIn(std::u16string folder);
ProgramFiles ProgramFilesBeside(const std::u16string& executablePath);

// Whether the executable is the one a per-machine installation recorded
// in `machineFolder` (empty: there is none). Windows compares paths
// without regard to letter case; a trailing backslash does not count.
bool IsMachineProgram(const std::u16string& executablePath, const std::u16string& machineFolder);

// The machine's program keeps each user's files in `userFolder` (the
// user's roaming application data under the program's name); any other
// copy keeps them beside itself.
ProgramFiles ProgramFilesFor(const std::u16string& executablePath,
                             const std::u16string& machineFolder, const std::u16string& userFolder);

// The directory of a full path, without the file name and without a
// trailing backslash ("C:\\x.exe" gives "C:").
std::u16string DirectoryOfPath(const std::u16string& path);
