#include "clients/wab/wab_library_path_win.h"

#include "common/win/registry_text_win.h"

std::u16string RegisteredWabLibraryPath() {
  const auto stored =
      ReadRegistryText(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\WAB\\DLLPath", nullptr);
  if (!stored || stored->text.empty()) return {};
  if (stored->type != REG_SZ && stored->type != REG_EXPAND_SZ) return {};
  return ExpandEnvironmentText(stored->text);
}
