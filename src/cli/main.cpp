// quillbox-cli: the notes store from the command line, over the same settings and files as
// the program.
#include "cli/Commands.h"
#include "platform/Folders.h"
#include "settings/DebugM.h"
#include "settings/Options.h"

#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

struct TCommand {
    const char* Name;
    const char* Synopsis;
    int (*Run)(const TArgs&);
};

const TCommand Commands[] = {
    {"list", "list [NODEPATH]            the folders and notes of the store root or of a folder", CmdList},
    {"import-favorites", "import-favorites           import $HOME/Favorites into the store", CmdImportFavorites},
    {"mail", "mail FILE                  the header fields and body of a raw e-mail message", CmdMail},
    {"rtf", "rtf FILE [--pictures DIR]  the note HTML of an RTF document; pictures go to DIR", CmdRtf},
    {"report", "report NODEPATH            the report of a folder through the settings' template", CmdReport},
    {"mkdir", "mkdir NODEPATH             make a folder (and its parents); prints its node path", CmdMkdir},
    {"rename", "rename FOLDERPATH NEWNAME  rename a folder, numbered when the name is taken", CmdRename},
    {"move", "move NODEPATH TARGETFOLDER move a note or folder into a folder (\"\" the root)", CmdMove},
    {"delete", "delete NODEPATH [--yes]    delete a note with its pictures, or a folder with its content", CmdDelete},
    {"import", "import [--folder NODEPATH] FILE...  each file a new note (.eml, .html, .rtf, .url, text)", CmdImport},
    {"search", "search [--limit N] QUERY... the notes holding the words, best first; --rebuild remakes the index", CmdSearch},
    {"native-host", "native-host                the connector's native messaging host (framed JSON on stdin/stdout)", CmdNativeHost},
};

}  // namespace

int Usage() {
    std::fputs("usage: quillbox-cli COMMAND [ARGS]\ncommands:\n", stderr);
    for (const TCommand& c : Commands) std::fprintf(stderr, "  %s\n", c.Synopsis);
    return 2;
}

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (argc < 2) return Usage();
    for (const TCommand& c : Commands) {
        if (std::strcmp(argv[1], c.Name) != 0) continue;
        Folders::InstallShippedFiles();
        DebugM::Initialize();
        Options = std::make_unique<TOptions>();
        Options->Load();  // commands that change settings save them themselves
        const int rc = c.Run(TArgs(argv + 2, argv + argc));
        DebugM::Finalize();
        return rc;
    }
    return Usage();
}
