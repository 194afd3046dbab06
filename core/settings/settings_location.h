#pragma once
// Where the settings file lives. Beside the executable while that folder can be written (a build
// folder, a copy unpacked anywhere); otherwise, as for a program installed into a system folder,
// in the user's configuration folder, so the settings still outlive a run.
#include <string>

namespace varnotile {

inline constexpr const char* kSettingsFileName = "varnotile.INI";

// `exeDir`/varnotile.INI when the folder is writable (and the file too, if it exists); else
// `configHome`/varnotile/varnotile.INI, with `configHome` the value of XDG_CONFIG_HOME ("" when
// unset; a relative value is ignored as the base directory rules ask), else
// `home`/.config/varnotile/varnotile.INI. The folder of the user's file is created when missing;
// if that fails, writing the file later reports it.
std::string SettingsFilePath(const std::string& exeDir, const std::string& configHome, const std::string& home);

// The file to read at start-up in place of `settingsPath`: the file beside the executable when
// the settings live elsewhere, the user's file does not exist yet and the file beside the
// executable does (it gives the defaults, for example those an administrator put there). Empty
// when `settingsPath` itself is to be read.
std::string SettingsDefaultsPath(const std::string& exeDir, const std::string& settingsPath);

} // namespace varnotile
