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
// The user's own folder for the program's temporary files (reports, pictures), mode 0700 and
// made when missing: $XDG_RUNTIME_DIR/quillbox when that is set, else
// <TempFolder>/quillbox-<uid>. A name that is a link, not a folder, or another user's is never
// used; a fresh folder of this process's own takes its place. Without a trailing "/".
// Raises EInOutError when no private folder can be made.
std::string PrivateTempFolder();
// $XDG_CONFIG_HOME/quillbox/ (default ~/.config/quillbox/).
std::string ConfigFolder();
// The program's own folder: $XDG_DATA_HOME/quillbox/ (default ~/.local/share/quillbox/).
std::string ProgramDataFolder();
// The program's cache, files it can always make again: $XDG_CACHE_HOME/quillbox/
// (default ~/.cache/quillbox/).
std::string CacheFolder();
// The read-only folder of files the program ships (templates, help, pictures):
// $QUILLBOX_DATA_DIR when set; the source tree's data folder for a program run from its
// build tree; else <program folder>/../share/quillbox/, where the installation puts it.
std::string ShippedDataFolder();
// Copies every shipped file that is missing into the program data folder; files already
// there (the user's own changes) are kept. Returns false when something could not be copied.
bool InstallShippedFiles();

}  // namespace Folders
