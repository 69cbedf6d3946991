#pragma once
// The document loader over the gumbo HTML5 parser. Nothing is run or fetched: gumbo only
// builds the tree, and the loader reads the tree.
#include "reports/HTMLDocument.h"

#include <cstdint>
#include <string>

namespace GumboDocumentLoader {

// Note files larger than this are not parsed (the parser needs many times the file's size in
// memory); they load as a document that failed, so their report section has an empty body.
inline constexpr std::uint64_t MaxDocumentBytes = 64ull << 20;

std::unique_ptr<TDocumentLoader> Create();

// Parses a file's bytes as a browser reads a page: the character set comes from a byte-order
// mark (also one right after the note's info block), else from a <meta> declaration near the
// top, else UTF-8 when the bytes are valid UTF-8, else Windows-1252. location is kept as the
// document's address. Each child node of the body is serialised so that it cannot change the
// report around it (see THTMLDocument); fileName, when given, is the note file whose
// companion folder the picture references may name.
std::unique_ptr<THTMLDocument> ParseHTMLDocument(std::string bytes, const std::string& location,
                                                 const std::string& fileName = "");

// A file's bytes as UTF-8, their character set found as ParseHTMLDocument finds it.
std::string FileBytesToUtf8(std::string bytes);

// The character set a <meta> tag near the top of the bytes declares, as written, or "".
// Comments (the note info block among them) are skipped; the scan ends at the body.
std::string DeclaredCharset(std::string_view bytes);

// The file URL of a local path: "file://" and the absolute path, percent-encoded as UTF-8.
std::string FileURL(const std::string& path);

}  // namespace GumboDocumentLoader
