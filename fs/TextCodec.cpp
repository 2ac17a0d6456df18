#include "fs/TextCodec.h"

void AppendUtf8(std::string& strOut, uint32_t n)
{
    if (n < 0x80) {
        strOut += static_cast<char>(n);
    } else if (n < 0x800) {
        strOut += static_cast<char>(0xC0 | (n >> 6));
        strOut += static_cast<char>(0x80 | (n & 0x3F));
    } else if (n < 0x10000) {
        strOut += static_cast<char>(0xE0 | (n >> 12));
        strOut += static_cast<char>(0x80 | ((n >> 6) & 0x3F));
        strOut += static_cast<char>(0x80 | (n & 0x3F));
    } else {
        strOut += static_cast<char>(0xF0 | (n >> 18));
        strOut += static_cast<char>(0x80 | ((n >> 12) & 0x3F));
        strOut += static_cast<char>(0x80 | ((n >> 6) & 0x3F));
        strOut += static_cast<char>(0x80 | (n & 0x3F));
    }
}

std::string Utf16LeToUtf8(const uint8_t* p, size_t nUnits)
{
    std::string strOut;
    strOut.reserve(nUnits);
    for (size_t i = 0; i < nUnits; ++i) {
        uint32_t c = static_cast<uint32_t>(p[2 * i] | (p[2 * i + 1] << 8));
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < nUnits) {
            uint32_t d = static_cast<uint32_t>(p[2 * i + 2] | (p[2 * i + 3] << 8));
            if (d >= 0xDC00 && d <= 0xDFFF) {
                AppendUtf8(strOut, 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(strOut, (c >= 0xD800 && c <= 0xDFFF) ? 0xFFFD : c);
    }
    return strOut;
}

static const uint16_t g_cp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

void AppendCp437(std::string& strOut, uint8_t by)
{
    if (by < 0x80) strOut += static_cast<char>(by);
    else AppendUtf8(strOut, g_cp437High[by - 0x80]);
}

bool IsValidUtf8(const std::string& str)
{
    size_t i = 0, n = str.size();
    while (i < n) {
        auto c = static_cast<unsigned char>(str[i]);
        size_t nLen = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (nLen == 0 || i + nLen > n || (nLen == 2 && c < 0xC2)) return false;
        uint32_t cp = nLen == 1 ? c : c & (0x7F >> nLen);
        for (size_t k = 1; k < nLen; ++k) {
            auto d = static_cast<unsigned char>(str[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((nLen == 3 && cp < 0x800) || (nLen == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += nLen;
    }
    return true;
}
