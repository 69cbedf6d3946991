// Reads a note file made of the fuzz bytes, as the notes tree does: the head is scanned for
// the info block, a file without one is repaired, and the block's XML is parsed.
#include "platform/FileSystem.h"
#include "store/ReportUtils.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// The temporary folder of this run; a plain array, so the exit handler can still read it.
char Folder[] = "/tmp/quillbox-fuzz-XXXXXX";

const std::string& NoteFile() {
    static const std::string file = [] {
        if (!::mkdtemp(Folder)) std::abort();
        std::atexit([] { FileSystem::RemoveTree(Folder); });
        return std::string(Folder) + "/note.html";
    }();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ofstream(NoteFile(), std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);
    ReportUtils::TNoteInfo info;
    if (!ReportUtils::LoadNodeFromFile(NoteFile(), info)) std::abort();
    // Whatever was there, the file now has a block that reads back.
    ReportUtils::TNoteInfo again;
    if (!ReportUtils::LoadNodeFromFile(NoteFile(), again) || again.OriginalURL != info.OriginalURL) std::abort();
    return 0;
}
