// quillbox-cli import [--folder NODEPATH] FILE...: each file becomes one new note, as if it
// had been dropped on that folder of the notes tree with the dialog switched off.
#include "cli/Commands.h"
#include "dropimport/FileImport.h"
#include "platform/FileSystem.h"
#include "settings/Options.h"
#include "store/StoreOperations.h"

#include <algorithm>
#include <cstdio>

int CmdImport(const TArgs& args) {
    std::string folder;
    bool folderGiven = false;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--folder" && !folderGiven && i + 1 < args.size()) {
            folder = args[++i];
            folderGiven = true;
        } else if (args[i] == "--" && i + 1 < args.size()) {
            files.insert(files.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (!args[i].empty() && args[i][0] == '-') {
            return Usage();
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.empty()) return Usage();
    if (!folderGiven) folder = Options->DefFolder;
    folder = NodePathArg(folder);
    // The writer refuses such a folder for each file; asking first refuses the whole command.
    if (!StoreOperations::IsValidNodePath(folder) ||
        (folderGiven && !StoreOperations::IsStoreFolder(Options->FolderToStore, folder))) {
        std::fprintf(stderr, "quillbox-cli import: \"%s\" is not a folder of the store %s\n", folder.c_str(),
                     Options->FolderToStore.c_str());
        return 2;
    }
    // Only new files are made: one flush at the end instead of one per file.
    FileSystem::SetSyncEachWrite(false);
    int rc = 0;
    for (const std::string& file : files) {
        const FileImport::TImportResult result = FileImport::ImportFile(file, folder);
        if (result.Status == FileImport::TImportStatus::Imported) {
            std::fwrite(result.NoteFile.data(), 1, result.NoteFile.size(), stdout);
            std::fputc('\n', stdout);
            continue;
        }
        std::fprintf(stderr, "quillbox-cli import: %s %s\n", file.c_str(), result.Reason.c_str());
        rc = result.Status == FileImport::TImportStatus::Unreadable ? 2 : std::max(rc, 1);
    }
    std::fflush(stdout);
    FileSystem::SyncAll();
    return rc;
}
