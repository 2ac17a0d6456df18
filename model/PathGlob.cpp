#include "model/PathGlob.h"

#include <cwctype>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// One code point from UTF-8; a byte that starts no valid sequence stands for itself.
char32_t NextCodePoint(const std::string& str, size_t* pPos)
{
    auto c = static_cast<unsigned char>(str[*pPos]);
    size_t nLen = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (nLen == 0 || *pPos + nLen > str.size()) {
        ++*pPos;
        return c;
    }
    char32_t nCode = nLen == 1 ? c : c & (0x7F >> nLen);
    for (size_t i = 1; i < nLen; ++i) {
        auto d = static_cast<unsigned char>(str[*pPos + i]);
        if ((d & 0xC0) != 0x80) {
            ++*pPos;
            return c;
        }
        nCode = (nCode << 6) | (d & 0x3F);
    }
    *pPos += nLen;
    return nCode;
}

char32_t Fold(char32_t c)
{
#ifdef _WIN32
    // The C library's towlower knows only the C locale here; the system's
    // own table folds every character of the basic plane.
    if (c > 0xFFFF) return c;
    wchar_t w = static_cast<wchar_t>(c);
    CharLowerBuffW(&w, 1);
    return w;
#else
    return static_cast<char32_t>(std::towlower(static_cast<wint_t>(c)));
#endif
}

std::vector<char32_t> Decode(const std::string& str)
{
    std::vector<char32_t> codes;
    for (size_t i = 0; i < str.size();) codes.push_back(NextCodePoint(str, &i));
    return codes;
}

bool InClass(const std::u32string& strClass, char32_t c)
{
    auto w = static_cast<wint_t>(c);
    if (strClass == U"alpha") return std::iswalpha(w);
    if (strClass == U"digit") return std::iswdigit(w);
    if (strClass == U"alnum") return std::iswalnum(w);
    if (strClass == U"upper") return std::iswupper(w);
    if (strClass == U"lower") return std::iswlower(w);
    if (strClass == U"space") return std::iswspace(w);
    if (strClass == U"punct") return std::iswpunct(w);
    if (strClass == U"xdigit") return std::iswxdigit(w);
    if (strClass == U"blank") return w == L' ' || w == L'\t';
    if (strClass == U"cntrl") return std::iswcntrl(w);
    if (strClass == U"print") return std::iswprint(w);
    if (strClass == U"graph") return std::iswgraph(w);
    return false;
}

// Matches the set that starts after "[" at *pPos against c (already folded);
// *pPos ends after the closing "]". False in *pValid when the set never closes.
bool MatchSet(const std::vector<char32_t>& pattern, size_t* pPos, char32_t c, char32_t cOriginal, bool* pValid)
{
    size_t i = *pPos;
    bool bNegate = i < pattern.size() && (pattern[i] == U'!' || pattern[i] == U'^');
    if (bNegate) ++i;
    bool bMatch = false;
    bool bFirst = true;
    while (i < pattern.size() && (pattern[i] != U']' || bFirst)) {
        bFirst = false;
        if (pattern[i] == U'[' && i + 1 < pattern.size() && pattern[i + 1] == U':') {
            size_t nEnd = i + 2;
            while (nEnd + 1 < pattern.size() && !(pattern[nEnd] == U':' && pattern[nEnd + 1] == U']')) ++nEnd;
            if (nEnd + 1 < pattern.size()) {
                std::u32string strClass(pattern.begin() + static_cast<std::ptrdiff_t>(i + 2),
                                        pattern.begin() + static_cast<std::ptrdiff_t>(nEnd));
                if (InClass(strClass, cOriginal) || InClass(strClass, c)) bMatch = true;
                i = nEnd + 2;
                continue;
            }
        }
        char32_t nLow = pattern[i];
        if (nLow == U'\\' && i + 1 < pattern.size()) nLow = pattern[++i];
        ++i;
        char32_t nHigh = nLow;
        if (i + 1 < pattern.size() && pattern[i] == U'-' && pattern[i + 1] != U']') {
            nHigh = pattern[i + 1];
            if (nHigh == U'\\' && i + 2 < pattern.size()) nHigh = pattern[++i + 1];
            i += 2;
        }
        if (Fold(nLow) <= c && c <= Fold(nHigh)) bMatch = true;
    }
    *pValid = i < pattern.size();
    *pPos = i + 1;
    return bMatch != bNegate;
}

bool MatchFrom(const std::vector<char32_t>& pattern, size_t p, const std::vector<char32_t>& text, size_t t)
{
    // Backtracking to the last "*" only: linear enough for paths.
    size_t nStarP = std::string::npos, nStarT = 0;
    while (t < text.size()) {
        char32_t c = Fold(text[t]);
        if (p < pattern.size()) {
            char32_t pc = pattern[p];
            if (pc == U'*') {
                nStarP = ++p;
                nStarT = t;
                continue;
            }
            if (pc == U'?') {
                ++p;
                ++t;
                continue;
            }
            if (pc == U'[') {
                size_t q = p + 1;
                bool bValid = false;
                bool bMatch = MatchSet(pattern, &q, c, text[t], &bValid);
                if (bValid) {
                    if (bMatch) {
                        p = q;
                        ++t;
                        continue;
                    }
                } else if (c == U'[') {  // an unclosed "[" is itself
                    ++p;
                    ++t;
                    continue;
                }
            } else {
                if (pc == U'\\' && p + 1 < pattern.size()) pc = pattern[++p];
                if (Fold(pc) == c) {
                    ++p;
                    ++t;
                    continue;
                }
            }
        }
        if (nStarP == std::string::npos) return false;
        p = nStarP;
        t = ++nStarT;
    }
    while (p < pattern.size() && pattern[p] == U'*') ++p;
    return p == pattern.size();
}

}  // namespace

bool MatchesGlob(const std::string& strPattern, const std::string& strText)
{
    return MatchFrom(Decode(strPattern), 0, Decode(strText), 0);
}
