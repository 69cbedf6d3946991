// The search's two readers of untrusted text: a note page's visible text comes out as single
// blanks between words, and every query becomes a match expression whose quotes pair up, so
// no typed text escapes its quoted term.
#include "search/NoteText.h"
#include "search/SearchQuery.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string text = NoteText::VisibleText(input);
    if (text.find("  ") != std::string::npos || (!text.empty() && (text.front() == ' ' || text.back() == ' ')))
        std::abort();
    const std::string expression = SearchQuery::ToMatchExpression(input);
    if (std::count(expression.begin(), expression.end(), '"') % 2 != 0) std::abort();
    return 0;
}
