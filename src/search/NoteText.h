#pragma once
// NoteText: the words a reader sees in a note page, for the search index. Markup, scripts,
// styles and comments (the note info block among them) are dropped and entities decoded.
#include <cstddef>
#include <string>
#include <string_view>

namespace NoteText {

// Pages are read up to this many bytes; the rest of a larger page is not searchable.
inline constexpr std::size_t MaxPageBytes = 4u << 20;

// The visible text of UTF-8 HTML, blocks separated by blanks, runs of white space collapsed.
std::string VisibleText(std::string_view html);

// The visible text of a note file's bytes in whatever character set the page declares.
std::string VisibleTextOfFile(std::string bytes);

}  // namespace NoteText
