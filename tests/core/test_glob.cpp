// `--match` patterns. Linux matches with fnmatch; Windows, which has none,
// with MatchesGlob. One table holds what both must answer.

#include <gtest/gtest.h>

#include "model/PathGlob.h"

#ifndef _WIN32
#include <clocale>
#include <fnmatch.h>
#endif

namespace {

struct CGlobCase {
    const char* pszPattern;
    const char* pszPath;
    bool bMatches;
};

const CGlobCase GLOB_CASES[] = {
    {"*.jpg", "Photos/2024/beach.JPG", true},
    {"*.jpg", "beach.jpeg", false},
    {"Docs/*", "Docs/Sub/big.bin", true},
    {"docs/?ub", "Docs/Sub", true},
    {"docs/?ub", "Docs/Su", false},
    {"*/[a-c]*.txt", "x/Banana.txt", true},
    {"*/[!a-c]*.txt", "x/Banana.txt", false},
    {"*/[^a-c]*.txt", "x/date.txt", true},
    {"[]]x", "]x", true},
    {"a[", "a[", true},
    {"\\*star", "*star", true},
    {"\\*star", "xstar", false},
    {"*[[:digit:]].log", "run7.log", true},
    {"*[[:digit:]].log", "run.log", false},
    {"", "", true},
    {"*", "", true},
    {"?", "", false},
    {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
    // Case folded beyond ASCII, and one character where UTF-8 has several bytes.
    {"*\xC3\xA4pfel*", "Obst/\xC3\x84PFEL.txt", true},
    {"caf?.txt", "caf\xC3\xA9.txt", true},
    {"\xD0\x9C\xD0\x98\xD0\xA0*", "\xD0\xBC\xD0\xB8\xD1\x80.doc", true},
    {"*.txt", "\xE6\x97\xA5\xE6\x9C\xAC.TXT", true},
};

// Linux folds case through the C library's character tables, as `varnel`
// reads them: in the UTF-8 locale it sets.
class Glob : public testing::Test {
protected:
#ifndef _WIN32
    void SetUp() override
    {
        const char* pszOld = std::setlocale(LC_CTYPE, nullptr);
        m_strOldLocale = pszOld ? pszOld : "C";
        ASSERT_TRUE(std::setlocale(LC_CTYPE, "C.UTF-8"));
    }
    void TearDown() override { std::setlocale(LC_CTYPE, m_strOldLocale.c_str()); }
    std::string m_strOldLocale;
#endif
};

}  // namespace

TEST_F(Glob, PatternsMatchAsTheTableSays)
{
    for (const CGlobCase& c : GLOB_CASES)
        EXPECT_EQ(MatchesGlob(c.pszPattern, c.pszPath), c.bMatches) << c.pszPattern << " on " << c.pszPath;
}

#ifndef _WIN32
TEST_F(Glob, TheTableIsWhatFnmatchAnswers)
{
    for (const CGlobCase& c : GLOB_CASES)
        EXPECT_EQ(::fnmatch(c.pszPattern, c.pszPath, FNM_CASEFOLD) == 0, c.bMatches) << c.pszPattern << " on " << c.pszPath;
}
#endif
