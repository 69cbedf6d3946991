// The query syntax as FTS5 receives it: every term quoted, so nothing typed is read as FTS5's
// own operators, and the fields, prefixes, phrases and exclusions in their places.
#include "search/SearchQuery.h"

#include <gtest/gtest.h>

TEST(ToMatchExpression, TranslatesEachFormOfTerm) {
    struct Case { const char* in; const char* out; };
    const Case cases[] = {
        {"rome", R"("rome")"},
        {"  rome   pasta ", R"("rome" AND "pasta")"},
        {"colo*", R"("colo" *)"},
        {R"("near the colosseum")", R"("near the colosseum")"},
        {R"("unclosed phrase)", R"("unclosed phrase")"},
        {"garlic -rome", R"(("garlic") NOT ("rome"))"},
        {"garlic -rome -\"olive oil\"", R"(("garlic") NOT ("rome" OR "olive oil"))"},
        {"title:rome", R"({title otitle} : "rome")"},
        {"TITLE:\"la dolce\"", R"({title otitle} : "la dolce")"},
        {"url:example.com", R"(url : "example.com")"},
        {"comments:tod*", R"(comments : "tod" *)"},
        {"-url:ads garlic", R"(("garlic") NOT (url : "ads"))"},
        // Not a field: the whole word is a term.
        {"note:rome", R"("note:rome")"},
        // FTS5's own syntax typed by the user stays plain text.
        {"a OR b", R"("a" AND "OR" AND "b")"},
        {"NEAR(a b)", R"x("NEAR(a" AND "b)")x"},
        {R"(say"hi)", R"("say""hi")"},
        {"{body}:x", R"("{body}:x")"},
        // A lone minus is no exclusion; it is dropped as a term without letters.
        {"- rome", R"("rome")"},
    };
    for (const Case& c : cases) EXPECT_EQ(SearchQuery::ToMatchExpression(c.in), c.out) << c.in;
}

TEST(ToMatchExpression, GivesNothingWithoutARequiredTerm) {
    for (const char* in : {"", "   ", "-rome", "-rome -pasta", "*", "\"\"", "title:", "--- ...", "\"  \""})
        EXPECT_EQ(SearchQuery::ToMatchExpression(in), "") << in;
}

TEST(ToMatchExpression, KeepsNonAsciiWords) {
    EXPECT_EQ(SearchQuery::ToMatchExpression("caf\xC3\xA9 \xD0\xBC\xD0\xB8\xD1\x80"), "\"caf\xC3\xA9\" AND \"\xD0\xBC\xD0\xB8\xD1\x80\"");
}

TEST(MatchedWords, GivesTheWordsEveryMatchHolds) {
    using TWords = std::vector<std::string>;
    struct Case { const char* in; TWords out; };
    const Case cases[] = {
        {"rome pasta", {"rome", "pasta"}},
        {"colo*", {"colo*"}},
        {R"("near the colosseum" near)", {"near", "the", "colosseum"}},
        {"garlic -rome -\"olive oil\"", {"garlic"}},
        {"title:rome url:example.com comments:tod*", {"rome", "example", "com", "tod*"}},
        // The star belongs to the last word of its term only.
        {"e-mail*", {"e", "mail*"}},
        {"caf\xC3\xA9", {"caf\xC3\xA9"}},
        {"NEAR(a b)", {"NEAR", "a", "b"}},
        {"-rome", {}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(SearchQuery::MatchedWords(c.in), c.out) << c.in;
}
