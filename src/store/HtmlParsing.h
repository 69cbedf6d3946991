#pragma once
// The one set of gumbo options every HTML parse of the program uses.
#include <gumbo.h>

namespace HtmlParsing {

// The default options, with no parse errors recorded: each recorded error keeps a copy of the
// open-element stack, so badly nested markup would cost memory in the square of its depth.
const GumboOptions& ParserOptions();

}  // namespace HtmlParsing
