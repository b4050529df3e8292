#pragma once
// Administrator presets from the installer's command line (WEBMAIL=...,
// CLIENT=...): checked as a whole before anything is installed, then
// written into AddrBookSync.ini only where the user's file holds no value,
// so a reinstall or an upgrade never overwrites what a user saved.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/dialog_form.h"
#include "app/settings_codec.h"

// The installer's public properties; an empty text means "not given".
// Account and password are deliberately absent: installer logs keep
// every property.
struct Presets {
  std::u16string webmail{};        // WEBMAIL: the address as typed into the dialog
  std::u16string client{};         // CLIENT: EmailClient
  std::u16string syncLevel{};      // SYNCLEVEL: 0 or 1
  std::u16string syncType{};       // SYNCTYPE: 0 or 1
  std::u16string syncTime{};       // SYNCTIME: "HH:MM" on the hour or half hour
  std::u16string spread{};         // SPREAD: SyncSpread, minutes 0 to 120
  std::u16string outlookFolder{};  // OUTLOOKFOLDER: the Outlook folder of the company's own
};

// One setting as the file keeps it: one key, or the four keys of the
// address. The first key decides whether the file already holds it.
struct PresetSetting {
  std::u16string section;
  std::vector<std::pair<std::u16string, std::u16string>> keys;
};

struct PresetCheck {
  std::optional<std::u16string> refusal;  // names the preset and what it must be
  std::vector<PresetSetting> settings;    // what to write when there is no refusal
};

// The address goes through the dialog's own rule (`ApplyAddress`).
PresetCheck CheckPresets(const Presets& presets);

// Into a user's file, each setting whose first key has no value (missing
// or blank); into the machine's defaults, each setting given, since they
// are the administrator's own and a user's saved values stand above them.
enum class PresetTarget { UserFile, MachineDefaults };

// False when a written value does not read back: the file cannot be
// written, and the installation must not report success.
[[nodiscard]] bool ApplyPresets(const std::vector<PresetSetting>& settings, IProfile& profile,
                                PresetTarget target = PresetTarget::UserFile);

// `given`, with each preset not given taken from the machine's defaults
// already written, so that a package given none keeps them: Wine removes
// the older product before the upgrade's own are written without telling
// it that it is being replaced.
Presets KeepMachinePresets(Presets given, IProfile& defaults);

// The settings file's path and the presets as one text, for the installer
// step that writes them later and can read nothing else.
std::u16string EncodePresetData(const std::u16string& iniPath, const Presets& presets);
// False for a text that EncodePresetData did not make.
[[nodiscard]] bool DecodePresetData(const std::u16string& data, std::u16string& iniPath,
                                    Presets& presets);
