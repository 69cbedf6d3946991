#include "dropimport/FileImport.h"

#include "dropimport/FileDataObject.h"
#include "dropimport/NNotesDropTarget.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "settings/Options.h"
#include "store/NoteWriter.h"

#include <exception>

namespace FileImport {

TImportResult ImportFile(const std::string& path, const std::string& nodePath) {
    TImportResult result;
    TFileDataObject data(path);
    if (!data.Loaded()) {
        result.Status = TImportStatus::Unreadable;
        result.Reason = "cannot be read";
        return result;
    }
    TNNotesDropTarget target;
    if (!target.CheckValidFormats(data) || !target.GetDataFromDataObject(data)) {
        result.Reason = "holds nothing a note can be made of";
        return result;
    }
    TNoteWriter writer;  // no web pictures: the command line fetches nothing from the network
    writer.StoreRoot = Options->FolderToStore;
    writer.Folder = CodePage::AnsiToWide(nodePath);
    writer.URL = target.URL();
    writer.Title = target.Title.empty() ? CodePage::AnsiToWide(data.BaseName()) : target.Title;
    writer.OriginalTitle = writer.Title;
    writer.Content = target.HTML;
    writer.SaveImages = Options->SaveImages;
    writer.ForceNewNoteMode = nmAlwaysNew;
    writer.InfoCreated = DateTimeUtils::Now();  // the info block in the same write
    try {
        result.NoteFile = writer.Write(false);
    } catch (const std::exception& e) {
        result.Reason = std::string("could not be written: ") + e.what();
        return result;
    }
    result.Status = TImportStatus::Imported;
    return result;
}

}  // namespace FileImport
