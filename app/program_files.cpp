#include "app/program_files.h"

#include "common/text_classes.h"

std::u16string DirectoryOfPath(const std::u16string& path) {
  const size_t slash = path.find_last_of(u"\\/");
  if (slash == std::u16string::npos) {
    // "C:x.exe": the drive alone.
    const size_t colon = path.find(u':');
    return colon == std::u16string::npos ? std::u16string() : path.substr(0, colon + 1);
  }
  return path.substr(0, slash);
}

ProgramFiles ProgramFilesIn(std::u16string folder) {
  if (!folder.empty() && folder.back() == u'\\') folder.pop_back();
  return {folder + u"\\AddrBookSync.ini", folder + u"\\syncaddrs.log", folder + u"\\address.xml",
          folder + u"\\outlookcontacts.dat", folder + u"\\outlookfolder.dat"};
}

ProgramFiles ProgramFilesBeside(const std::u16string& executablePath) {
  return ProgramFilesIn(DirectoryOfPath(executablePath));
}

bool IsMachineProgram(const std::u16string& executablePath, const std::u16string& machineFolder) {
  std::u16string_view folder = machineFolder;
  if (!folder.empty() && folder.back() == u'\\') folder.remove_suffix(1);
  return !folder.empty() && EqualsIgnoringAsciiCase(DirectoryOfPath(executablePath), folder);
}

ProgramFiles ProgramFilesFor(const std::u16string& executablePath,
                             const std::u16string& machineFolder,
                             const std::u16string& userFolder) {
  return IsMachineProgram(executablePath, machineFolder) ? ProgramFilesIn(userFolder)
                                                         : ProgramFilesBeside(executablePath);
}
