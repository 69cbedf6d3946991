#pragma once
// Files from the file system become notes the way a drop of them on a folder of the notes
// tree does, without a dialog: each file one new note (never appended to an earlier one),
// through the drop target and the note writer, with its info block.
#include <string>

namespace FileImport {

enum class TImportStatus { Imported, NoNote, Unreadable };

struct TImportResult {
    TImportStatus Status = TImportStatus::NoNote;
    std::string NoteFile;  // the note written, when Imported
    std::string Reason;    // a sentence for the user otherwise
};

// Imports one file into the store folder nodePath (a valid node path; the folder is made
// when missing), with the settings' store root and SaveImages.
TImportResult ImportFile(const std::string& path, const std::string& nodePath);

}  // namespace FileImport
