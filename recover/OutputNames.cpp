#include "recover/OutputNames.h"

#include <cctype>
#include <cstring>

#include "fs/TextCodec.h"

namespace {

constexpr size_t MAX_NAME_BYTES = 240;

// Bytes that are not part of valid UTF-8 become "_".
std::string RepairUtf8(const std::string& str)
{
    if (IsValidUtf8(str)) return str;
    std::string strOut;
    for (size_t i = 0; i < str.size();) {
        size_t nLen = 1;
        auto c = static_cast<unsigned char>(str[i]);
        if (c >= 0x80) {
            nLen = (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
            if (nLen == 0 || i + nLen > str.size() || !IsValidUtf8(str.substr(i, nLen))) {
                strOut += '_';
                ++i;
                continue;
            }
        }
        strOut += str.substr(i, nLen);
        i += nLen;
    }
    return strOut;
}

// Cuts at a character boundary so that no UTF-8 sequence is split.
std::string CutUtf8(const std::string& str, size_t nMax)
{
    if (str.size() <= nMax) return str;
    size_t n = nMax;
    while (n > 0 && (static_cast<unsigned char>(str[n]) & 0xC0) == 0x80) --n;
    return str.substr(0, n);
}

// What Windows takes a name for when its part before the first dot, without
// trailing blanks, is one of these (in any case): a device, not a file.
bool IsWindowsDeviceName(const std::string& strName)
{
    std::string strBase = strName.substr(0, strName.find('.'));
    strBase.erase(strBase.find_last_not_of(' ') + 1);
    for (char& c : strBase) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char* const DEVICES[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* pszDevice : DEVICES)
        if (strBase == pszDevice) return true;
    if (strBase.size() < 4 || (strBase.compare(0, 3, "COM") != 0 && strBase.compare(0, 3, "LPT") != 0)) return false;
    // COM0 to COM9 and the superscript digits 1, 2 and 3, which Windows takes as digits too.
    std::string strNumber = strBase.substr(3);
    return (strNumber.size() == 1 && std::isdigit(static_cast<unsigned char>(strNumber[0]))) ||
           strNumber == "\xC2\xB9" || strNumber == "\xC2\xB2" || strNumber == "\xC2\xB3";
}

}  // namespace

std::string WindowsSafeName(const std::string& strName)
{
    std::string strOut = strName;
    for (char& c : strOut)
        if (std::strchr("<>:\"\\|?*", c) && c != '\0') c = '_';
    if (!strOut.empty() && (strOut.back() == '.' || strOut.back() == ' ')) strOut.back() = '_';
    if (IsWindowsDeviceName(strOut)) {
        size_t nDot = strOut.find('.');
        strOut.insert(nDot == std::string::npos ? strOut.size() : nDot, "_");
    }
    return strOut;
}

std::string SanitizeName(const std::string& strName)
{
    std::string strOut;
    for (char c : strName) strOut += (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '_' : c;
    strOut = RepairUtf8(strOut);
    if (strOut.empty() || strOut == ".") return "_";
    if (strOut == "..") return "__";
    if (strOut.size() > MAX_NAME_BYTES) {
        size_t nDot = strOut.rfind('.');
        std::string strExt = (nDot != std::string::npos && strOut.size() - nDot <= 16) ? strOut.substr(nDot) : "";
        strOut = CutUtf8(strOut.substr(0, strOut.size() - strExt.size()), MAX_NAME_BYTES - strExt.size()) + strExt;
    }
#ifdef _WIN32
    strOut = WindowsSafeName(strOut);
#endif
    return strOut;
}

std::string NumberedName(const std::string& strName, unsigned nNumber)
{
    size_t nDot = strName.rfind('.');
    std::string strSuffix = " (" + std::to_string(nNumber) + ")";
    if (nDot == std::string::npos || nDot == 0) return strName + strSuffix;
    return strName.substr(0, nDot) + strSuffix + strName.substr(nDot);
}
