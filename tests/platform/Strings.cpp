#include "TestEnvironment.h"
#include "platform/Strings.h"

#include <gtest/gtest.h>

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(AnsiCompareTextKey, KeysOrderAsTheComparisonDoes) {
    // Case-only differences, accents, prefixes, blanks and digits: for every pair, the keys
    // must compare as AnsiCompareText compares the names, ties included.
    const char* names[] = {"", "a", "A", "ab", "a b", "Ab", "abc", "B1", "b2", "Berlin", "berlin",
                           "\xC3\x89mile", "emile", "Zo\xC3\xAB", "zoe", "zed", "Stra\xC3\x9F" "e", "10", "9"};
    for (const char* a : names) {
        for (const char* b : names) {
            const int keys = Sign(Strings::AnsiCompareTextKey(a).compare(Strings::AnsiCompareTextKey(b)));
            EXPECT_EQ(keys, Strings::AnsiCompareText(a, b)) << a << " / " << b;
        }
    }
}

}  // namespace
