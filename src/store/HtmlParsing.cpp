#include "store/HtmlParsing.h"

namespace HtmlParsing {

const GumboOptions& ParserOptions() {
    static const GumboOptions options = [] {
        GumboOptions o = kGumboDefaultOptions;
        o.max_errors = 0;
        return o;
    }();
    return options;
}

}  // namespace HtmlParsing
