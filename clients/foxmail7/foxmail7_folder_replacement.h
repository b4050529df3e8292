#pragma once
// Replaces Foxmail 7's address folder with one built from the contact list.
// The new folder is written beside the old one and swapped in only when
// complete, so a failed run never leaves Foxmail 7 without its folder.

#include <memory>
#include <optional>
#include <string>

#include "clients/foxmail7/foxmail7_location.h"
#include "clients/foxmail7/storage_sink.h"
#include "sync/addr_contact.h"
#include "sync/run_failure.h"

inline constexpr char16_t kFoxmail7NotFoundText[] = u"未找到Foxmail7";
inline constexpr char16_t kFoxmail7RunningText[] = u"在同步时，请您关闭Foxmail7";
inline constexpr char16_t kDeleteFolderFailedText[] = u"删除目录失败";
inline constexpr char16_t kWriteFolderFailedText[] = u"写入Foxmail7地址簿失败";

// What the replacement needs from the system. Paths are as the platform
// takes them.
class IFoxmail7Platform {
 public:
  virtual ~IFoxmail7Platform() = default;
  virtual std::optional<Foxmail7Location> Locate() = 0;
  // Whether Foxmail 7 runs from this installation, or from one that
  // cannot be told apart from it, in any session.
  virtual bool IsClientRunning(const Foxmail7Location& location) = 0;
  [[nodiscard]] virtual bool PathExists(const std::u16string& path) = 0;
  // Creates the last level only; false when it exists or its parent does not.
  [[nodiscard]] virtual bool MakeDirectory(const std::u16string& path) = 0;
  // True also when there was nothing to remove.
  [[nodiscard]] virtual bool DeleteDirectoryTree(const std::u16string& path) = 0;
  // A rename that is on the disk when it returns true.
  [[nodiscard]] virtual bool MoveDirectory(const std::u16string& from,
                                           const std::u16string& to) = 0;
  // Creates or truncates a file; null when it cannot be created.
  virtual std::unique_ptr<IStorageFile> CreateStorageFile(const std::u16string& path) = 0;
};

struct Foxmail7ReplaceOutcome {
  bool success = false;
  std::u16string errorText;  // set whenever success is false
  RunFailure failure = RunFailure::None;
};

// The sibling folders of a replacement: the new folder while it is being
// written, and the previous one while it is being put aside.
std::u16string Foxmail7StagingFolder(const std::u16string& folder);
std::u16string Foxmail7AsideFolder(const std::u16string& folder);

// At most kFoxmail7ContactLimit contacts are written, the first ones of the
// list. Nothing on disk changes unless Foxmail 7 is found and not running. On
// failure the previous folder is where it was, and whatever this run
// created beside it is removed as far as possible; only when the previous
// folder cannot be put back is the complete new one kept, in the staging
// folder, so that a complete copy is always somewhere.
Foxmail7ReplaceOutcome ReplaceFoxmail7Folder(const AddrContactList& contacts,
                                             IFoxmail7Platform& platform);
