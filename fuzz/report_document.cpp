// Loads the fuzz bytes as a note's HTML file the way a report reads it: the character set is
// found, the document parsed, and the title and every body child serialised.
#include "platform/CodePage.h"
#include "reports/GumboDocumentLoader.h"
#include "store/HtmlParsing.h"

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C.UTF-8");  // the ANSI code page of a usual session
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    HtmlParsing::DeclaredCharset(bytes);
    const auto document = GumboDocumentLoader::ParseHTMLDocument(std::move(bytes), "file:///tmp/note.html");
    document->Title();
    for (std::size_t i = 0; i < document->ChildCount(); ++i) {
        // Whatever the page's bytes, the report gets valid UTF-8 from each child, text or element.
        if (!CodePage::IsValidUtf8(document->ChildOuterHTML(i))) std::abort();
    }
    return 0;
}
