#pragma once
// Where the program's folders are on this platform. Folder results end with "/" unless noted.
#include <string>

namespace Folders {

std::string HomeFolder();
// The personal documents folder: $XDG_DOCUMENTS_DIR, else XDG_DOCUMENTS_DIR from
// ~/.config/user-dirs.dirs, else the home folder. Without a trailing "/".
std::string PersonalFolder();
// The Favorites folder, $HOME/Favorites, without a trailing "/".
std::string FavoritesFolder();
// $TMPDIR, else /tmp, without a trailing "/".
std::string TempFolder();
// $XDG_CONFIG_HOME/quillbox/ (default ~/.config/quillbox/).
std::string ConfigFolder();
// The program's own folder: $XDG_DATA_HOME/quillbox/ (default ~/.local/share/quillbox/).
std::string ProgramDataFolder();
// The program's cache, files it can always make again: $XDG_CACHE_HOME/quillbox/
// (default ~/.cache/quillbox/).
std::string CacheFolder();
// The read-only folder of files the program ships (templates, help, pictures).
std::string ShippedDataFolder();
// Copies every shipped file that is missing into the program data folder; files already
// there (the user's own changes) are kept. Returns false when something could not be copied.
bool InstallShippedFiles();

}  // namespace Folders
