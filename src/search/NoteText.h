#pragma once
// NoteText: the words a reader sees in a note page, for the search index. Markup, scripts,
// styles and comments (the note info block among them) are dropped and entities decoded.
#include <cstddef>
#include <string>
#include <string_view>

namespace NoteText {

// Pages are read up to this many bytes; the rest of a larger page is not searchable.
inline constexpr std::size_t MaxPageBytes = 4u << 20;
// How deep the markup may nest before the rest of the page is left out: the parser's tree
// and its freeing grow with the depth, so a hostile page must not choose it.
inline constexpr int MaxNesting = 1000;

// The visible text of UTF-8 HTML, blocks separated by blanks, runs of white space collapsed.
std::string VisibleText(std::string_view html);

// The visible text of a note file's bytes in whatever character set the page declares.
std::string VisibleTextOfFile(std::string bytes);

}  // namespace NoteText
