#pragma once
// Where the program keeps and finds its files (XDG base directories).
#include <string>

namespace platform {

// $XDG_CONFIG_HOME/harlune (default ~/.config/harlune); created when missing.
std::string UserConfigDir();
// $XDG_DATA_HOME/harlune (default ~/.local/share/harlune); created when missing.
std::string UserDataDir();
// The install's shared data folder: $HARLUNE_DATA_DIR, else <exe>/../share/harlune, else the
// source tree's res/ folder (so a build runs without installing).
std::string SharedDataDir();
// Creates a folder and its parents; true when it exists afterwards.
bool MakeDirs(const std::string& path);

} // namespace platform
