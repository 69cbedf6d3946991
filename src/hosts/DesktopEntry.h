#pragma once
// The program's freedesktop desktop entry in the user's applications folder
// ($XDG_DATA_HOME/applications/quillbox.desktop), so menus and file managers can start it.
#include <string>

namespace DesktopEntry {

std::string FileName();
// The entry's text for the program file: it starts the program with the address to open.
std::string Text(const std::string& programFile);
// Writes the entry when it is missing or different; raises EInOutError when it cannot.
void Install(const std::string& programFile);
// Removes the entry; false when there was none.
bool Remove();
// One argument of an Exec line: quoted when it holds a blank or a reserved character, with
// the escapes of the Exec key and of a desktop-file string applied.
std::string QuoteExecArgument(const std::string& argument);

}  // namespace DesktopEntry
