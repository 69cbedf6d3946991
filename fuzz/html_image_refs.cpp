// Feeds arbitrary HTML to the picture-reference finder of the note writer and rewrites
// every reference found: the references must lie inside the text, in order, and the rewrite
// must keep everything between them.
#include "store/HtmlImageRefs.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string html(reinterpret_cast<const char*>(data), size);
    const auto refs = HtmlImageRefs::FindImageRefs(html);
    size_t previous = 0;
    for (const auto& ref : refs) {
        if (ref.Offset < previous || ref.Offset + ref.Length > html.size()) std::abort();
        previous = ref.Offset + ref.Length;
    }
    const std::vector<std::string> same(refs.size(), "x");
    const std::string out = HtmlImageRefs::ReplaceImageRefs(html, refs, same);
    if (refs.empty() && out != html) std::abort();
    HtmlImageRefs::ImagesOnly(html);
    return 0;
}
