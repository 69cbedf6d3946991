#pragma once
// The document loader over the gumbo HTML5 parser. Nothing is run or fetched: gumbo only
// builds the tree, and the loader reads the tree.
#include "reports/HTMLDocument.h"

#include <cstdint>
#include <string>

namespace GumboDocumentLoader {

// Note files larger than this are not parsed (the parser needs many times the file's size in
// memory); they load as a document that failed, so their report section has an empty body.
// A note the parser's guard reads only in part (see HtmlParsing) gives the nodes of that part.
inline constexpr std::uint64_t MaxDocumentBytes = 64ull << 20;

std::unique_ptr<TDocumentLoader> Create();

// Parses a file's bytes as a browser reads a page, in the character set HtmlParsing::PageToUtf8
// finds (a byte-order mark right after the note's info block counts too). location is kept as the
// document's address. Each child node of the body is serialised so that it cannot change the
// report around it (see THTMLDocument); fileName, when given, is the note file whose
// companion folder the picture references may name.
std::unique_ptr<THTMLDocument> ParseHTMLDocument(std::string bytes, const std::string& location,
                                                 const std::string& fileName = "");

// A file's bytes as UTF-8 without the note's info block, their character set found as
// ParseHTMLDocument finds it.
std::string FileBytesToUtf8(std::string bytes);

}  // namespace GumboDocumentLoader
