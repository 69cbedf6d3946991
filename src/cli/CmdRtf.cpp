// quillbox-cli rtf FILE [--pictures DIR]: the note body a dropped RTF document becomes, with
// the options of a drop; pictures are written to DIR (by default the temporary folder).
#include "cli/Commands.h"
#include "dropimport/RVHTMLWriter.h"
#include "platform/FileSystem.h"
#include "settings/Trap.h"

#include <cstdio>
#include <exception>

int CmdRtf(const TArgs& args) {
    std::string fileName, pictureFolder;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--pictures" && i + 1 < args.size() && !args[i + 1].empty()) pictureFolder = args[++i];
        else if (fileName.empty() && args[i] != "--pictures") fileName = args[i];
        else return Usage();
    }
    if (fileName.empty()) return Usage();
    std::string rtf;
    if (!FileSystem::TryReadFile(fileName, rtf)) {
        std::fprintf(stderr, "quillbox-cli: cannot read %s\n", fileName.c_str());
        return 2;
    }
    TRVHTMLOptions options = TRVHTMLOptions::NoteDefaults();
    if (!pictureFolder.empty()) options.PictureFolder = FileSystem::IncludeTrailingPathDelimiter(pictureFolder);
    TRVHTMLWriter writer;
    std::string html, reason;
    const bool converted = TrapVoid("CmdRtf", [&] {
        try {
            html = writer.ConvertAnsi(rtf, options);
        } catch (const std::exception& e) {
            reason = e.what();
            throw;
        }
    });
    if (!converted) {
        std::fprintf(stderr, "quillbox-cli: %s could not be converted: %s\n", fileName.c_str(), reason.c_str());
        return 1;
    }
    std::fwrite(html.data(), 1, html.size(), stdout);
    return 0;
}
