#pragma once
// SearchQuery: what the user types into a search, turned into an FTS5 match expression.
//   word      every word must occur          word*     words starting with it
//   "a b"     the words in this order        -word     notes without it (also -"a b")
//   title:w   in the note's or page's title  url:w, comments:w   in that field only
// Every term reaches FTS5 as a quoted string, so nothing the user types is read as FTS5's
// own syntax.
#include <string>
#include <string_view>
#include <vector>

namespace SearchQuery {

// The match expression, or "" when the query has no term that must occur.
std::string ToMatchExpression(std::string_view query);

// The words a matching note holds, for highlighting them in the page: the words of every
// term that must occur (phrases split into their words, field prefixes dropped), never those
// of excluded terms. A word that ends a "word*" term keeps its star. Empty when nothing matches.
std::vector<std::string> MatchedWords(std::string_view query);

}  // namespace SearchQuery
