// Arbitrary bytes as a dropped RTF document: the reader and the HTML writer with picture
// saving into a temporary folder. The conversion must never crash, hang or touch memory it does
// not own, and its HTML must be balanced (every closing tag closes the element opened last)
// with nothing before the head. The reader must also report the same runs whether it reads
// through its 4096-byte stream buffer or from memory.
#include "dropimport/RVHTMLCheck.h"
#include "dropimport/RVHTMLWriter.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

// Made once and removed at exit; never destroyed, so the exit handler can still read it.
const std::string& PictureFolder() {
    static const std::string* folder = [] {
        std::string name = Folders::TempFolder() + "/qb_fuzz_rtf_XXXXXX";
        if (!::mkdtemp(name.data())) std::abort();
        std::atexit([] { FileSystem::RemoveTree(PictureFolder()); });
        return new std::string(name + "/");
    }();
    return *folder;
}

std::string Runs(std::string_view rtf, bool viaStream) {
    TRVRTFReader reader;
    std::string runs;
    reader.OnNewText = [&](TRVRTFReader&, const std::string& text, TRVRTFPosition position) {
        runs += std::to_string(position) + ":" + text + "\n";
    };
    int code;
    if (viaStream) {
        std::istringstream stream{std::string(rtf)};
        code = reader.ReadFromStream(stream);
    } else {
        code = reader.ReadFromString(rtf);
    }
    return runs + "=" + std::to_string(code);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view rtf(reinterpret_cast<const char*>(data), size);
    TRVHTMLOptions options;
    options.PictureFolder = PictureFolder();
    TRVHTMLWriter writer;
    std::string html;
    try {
        html = writer.ConvertAnsi(rtf, options);
    } catch (const std::exception&) {  // only a picture file that cannot be written raises
    }
    if (!RVHTMLCheck::FirstFault(html).empty()) std::abort();
    if (!html.empty() && html.rfind("<STYLE>", 0) != 0) std::abort();
    if (Runs(rtf, true) != Runs(rtf, false)) std::abort();
    return 0;
}
