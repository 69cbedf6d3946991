// Feeds arbitrary HTML to the picture-reference finder of the note writer and rewrites
// every reference found: the references must lie inside the text, in order, and the rewrite
// must keep everything between them. The parse under it never nests much deeper than the
// guard allows, whatever the markup.
#include "store/HtmlImageRefs.h"
#include "store/HtmlParsing.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

size_t TreeDepth(const GumboNode* root) {
    size_t depth = 0, deepest = 0;
    HtmlParsing::Walk(
        root,
        [&](const GumboNode* node) {
            if (!HtmlParsing::IsElement(node)) return HtmlParsing::TVisit::Skip;
            deepest = std::max(deepest, ++depth);
            return HtmlParsing::TVisit::Descend;
        },
        [&](const GumboNode*) { --depth; });
    return deepest;
}

}  // namespace

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
    // html, head or body and the parts the parser adds around tables come on top of the limit.
    if (const HtmlParsing::TTree tree = HtmlParsing::Parse(html); tree && TreeDepth(tree->root) > HtmlParsing::MaxNestingDepth + 16)
        std::abort();
    return 0;
}
