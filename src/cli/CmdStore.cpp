#include "cli/Commands.h"

int CmdList(const TArgs& args) { return Usage(); }
int CmdImportFavorites(const TArgs& args) { return Usage(); }
