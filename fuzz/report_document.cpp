// Loads the fuzz bytes as a note's HTML file the way a report reads it: the character set is
// found, the document parsed, and the title and every body child serialised.
#include "reports/GumboDocumentLoader.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    GumboDocumentLoader::DeclaredCharset(bytes);
    const auto document = GumboDocumentLoader::ParseHTMLDocument(std::move(bytes), "file:///tmp/note.html");
    document->Title();
    for (std::size_t i = 0; i < document->ChildCount(); ++i) {
        // An element always serialises to something that starts as a tag.
        const std::string html = document->ChildOuterHTML(i);
        if (!html.empty() && html[0] != '<') std::abort();
    }
    return 0;
}
