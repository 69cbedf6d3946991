#pragma once
// The commands of quillbox-cli. Each takes the arguments after its name and returns the exit
// code: 0 done, 1 nothing to show or nothing done, 2 bad arguments or unreadable input.
#include <string>
#include <vector>

using TArgs = std::vector<std::string>;

int CmdList(const TArgs& args);
int CmdImportFavorites(const TArgs& args);
int CmdMail(const TArgs& args);
int CmdRtf(const TArgs& args);
int CmdReport(const TArgs& args);
int CmdMkdir(const TArgs& args);
int CmdRename(const TArgs& args);
int CmdMove(const TArgs& args);
int CmdDelete(const TArgs& args);

// A node path as typed on the command line: one trailing "/" is allowed ("Trips/"). The store
// operations judge the rest (StoreOperations::IsValidNodePath).
std::string NodePathArg(std::string text);
int CmdImport(const TArgs& args);
int CmdSearch(const TArgs& args);

// One field of a tab-separated output line: tabs and line ends inside it become blanks.
std::string Field(std::string text);
// The browsers' native messaging host for the connector extension.
int CmdNativeHost(const TArgs& args);

// Prints the usage text to standard error and returns 2.
int Usage();
