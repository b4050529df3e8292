#pragma once
// The files the program keeps, all in the folder of its executable so that
// a copy in any folder the user can write to is whole. Named here only.

#include <string>

struct ProgramFiles {
  std::u16string settings;    // AddrBookSync.ini
  std::u16string log;         // syncaddrs.log
  std::u16string answerCopy;  // address.xml
  std::u16string outlookRecord;  // outlookcontacts.dat: what Outlook 2013+ runs wrote
  std::u16string outlookFolder;  // outlookfolder.dat: the Outlook folder of the company's own
};

// `folder` may end in a backslash.
ProgramFiles ProgramFilesIn(std::u16string folder);
ProgramFiles ProgramFilesBeside(const std::u16string& executablePath);

// The directory of a full path, without the file name and without a
// trailing backslash ("C:\\x.exe" gives "C:").
std::u16string DirectoryOfPath(const std::u16string& path);
