#include "clients/foxmail7/foxmail7_folder_replacement.h"

#include "sync/client_kind.h"
#include "clients/foxmail7/foxmail7_files.h"
#include "clients/foxmail7/foxmail7_storage_writer.h"

namespace {

Foxmail7ReplaceOutcome Failure(const char16_t* text, RunFailure cause) {
  return {false, text, cause};
}

bool WriteFolderFiles(const std::u16string& folder, const AddrContactList& contacts,
                      IFoxmail7Platform& platform) {
  for (Foxmail7File file : kFoxmail7Files) {
    const std::u16string path = folder + u"\\" + std::u16string(Foxmail7FileName(file));
    std::unique_ptr<IStorageFile> out = platform.CreateStorageFile(path);
    if (!out) return false;
    // Foxmail 7 counts and numbers contacts in 16 bits: a longer list would
    // wrap both. The first ones are kept; the run says so.
    const bool written = WriteFoxmail7File(file, contacts, *out, kFoxmail7ContactLimit);
    if (!out->Close() || !written) return false;
  }
  return true;
}

// Files held by Foxmail 7 itself free up when it ends, which the resident
// program waits for; held by anything else, only time helps.
RunFailure InUse(const Foxmail7Location& location, IFoxmail7Platform& platform) {
  return platform.IsClientRunning(location) ? RunFailure::ClientRunning
                                            : RunFailure::ClientFilesInUse;
}

// A folder left by an interrupted run is ours to remove.
bool ClearLeftover(const std::u16string& path, IFoxmail7Platform& platform) {
  return !platform.PathExists(path) || platform.DeleteDirectoryTree(path);
}

}  // namespace

std::u16string Foxmail7StagingFolder(const std::u16string& folder) { return folder + u".sync-new"; }

std::u16string Foxmail7AsideFolder(const std::u16string& folder) { return folder + u".sync-old"; }

Foxmail7ReplaceOutcome ReplaceFoxmail7Folder(const AddrContactList& contacts,
                                             IFoxmail7Platform& platform) {
  const std::optional<Foxmail7Location> location = platform.Locate();
  if (!location) return Failure(kFoxmail7NotFoundText, RunFailure::ClientNotInstalled);
  const std::u16string folder = Foxmail7AddressFolder(*location);
  if (platform.IsClientRunning(*location)) {
    return Failure(kFoxmail7RunningText, RunFailure::ClientRunning);
  }

  const std::u16string staging = Foxmail7StagingFolder(folder);
  const std::u16string aside = Foxmail7AsideFolder(folder);
  // A run that could not put the previous folder back (or a power cut
  // between the two renames) left it aside. It returns first: a staging
  // folder is cleared only while a whole folder is in place.
  if (!platform.PathExists(folder) && platform.PathExists(aside) &&
      !platform.MoveDirectory(aside, folder)) {
    return Failure(kWriteFolderFailedText, InUse(*location, platform));
  }
  if (!ClearLeftover(staging, platform)) {
    return Failure(kDeleteFolderFailedText, InUse(*location, platform));
  }
  // Fails without creating anything when "Data\Address\2.5" is missing.
  if (!platform.MakeDirectory(staging))
    return Failure(kWriteFolderFailedText, RunFailure::WriterFailed);
  if (!WriteFolderFiles(staging, contacts, platform)) {
    // Tidying only: what is left is cleared before the next run's staging.
    (void)platform.DeleteDirectoryTree(staging);
    return Failure(kWriteFolderFailedText, RunFailure::WriterFailed);
  }

  const bool hadFolder = platform.PathExists(folder);
  if (hadFolder && (!ClearLeftover(aside, platform) || !platform.MoveDirectory(folder, aside))) {
    (void)platform.DeleteDirectoryTree(staging);
    return Failure(kDeleteFolderFailedText, InUse(*location, platform));
  }
  if (!platform.MoveDirectory(staging, folder)) {
    // The previous folder did not come back, so nothing says it is still
    // whole: the complete new one stays beside it rather than go too.
    if (!hadFolder || platform.MoveDirectory(aside, folder))
      (void)platform.DeleteDirectoryTree(staging);
    // Something holds the folder: Foxmail 7 started meanwhile, or a scanner.
    return Failure(kWriteFolderFailedText, InUse(*location, platform));
  }
  // The new folder is in place. The previous one (or one that an
  // interrupted run put aside) goes now; if it resists, the next run
  // clears it.
  ClearLeftover(aside, platform);
  return {true, {}, RunFailure::None};
}
