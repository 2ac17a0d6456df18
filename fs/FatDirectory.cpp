// Names of FAT directory entries: long names from the slots before an entry
// (UTF-16), short names from the entry itself (code page 437), both as UTF-8.

#include <vector>

#include "fs/FAT.h"
#include "fs/TextCodec.h"

namespace {

// Where the 13 UTF-16 characters of a long-name slot lie.
constexpr size_t g_slotChars[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

bool EndsLongName(uint16_t wChar, size_t nIndex)
{
    if (wChar == 0x0000 || wChar == 0xFFFF || wChar == 0x000F) return true;
    return nIndex < 5 && wChar == 0x000E;
}

// The first byte of a short name: a deletion mark stays as the raw byte, so
// that the tree can tell it from a letter; 0x05 stands for a real 0xE5.
void AppendFirstByte(std::string& strOut, uint8_t by)
{
    if (by == FAT_DELETED_MARK) strOut += static_cast<char>(FAT_DELETED_MARK);
    else AppendCp437(strOut, by == 0x05 ? FAT_DELETED_MARK : by);
}

// Up to nCount bytes from nOffset, stopping at a 0x00.
std::string DecodeOem(CByteView entry, size_t nOffset, size_t nCount, bool bNameStart)
{
    std::string strOut;
    for (size_t i = 0; i < nCount; ++i) {
        uint8_t by = entry.U8(nOffset + i);
        if (by == 0x00) break;
        if (bNameStart && i == 0) AppendFirstByte(strOut, by);
        else AppendCp437(strOut, by);
    }
    return strOut;
}

bool IsBlank(uint8_t by) { return by == ' ' || (by >= '\t' && by <= '\r'); }

}  // namespace

std::string CFAT::GetLongName(CByteView dir, size_t nOffset)
{
    std::vector<uint8_t> units;
    for (size_t nSlot = nOffset; nSlot >= FAT_ENTRY_SIZE && nSlot <= dir.Size();) {
        nSlot -= FAT_ENTRY_SIZE;
        if (dir.U8(nSlot + 0x0B) != FAT_ATTR_LONG_NAME) break;
        for (size_t k = 0; k < 13; ++k) {
            uint16_t wChar = dir.U16(nSlot + g_slotChars[k]);
            if (EndsLongName(wChar, k)) return Utf16LeToUtf8(units.data(), units.size() / 2);
            units.push_back(static_cast<uint8_t>(wChar & 0xFF));
            units.push_back(static_cast<uint8_t>(wChar >> 8));
        }
    }
    return Utf16LeToUtf8(units.data(), units.size() / 2);
}

std::string CFAT::GetShortName(CByteView entry)
{
    size_t nBaseLength = 0;
    while (nBaseLength < 8 && entry.U8(nBaseLength) != 0x00) ++nBaseLength;
    while (nBaseLength > 0 && IsBlank(entry.U8(nBaseLength - 1))) --nBaseLength;
    std::string strName = DecodeOem(entry, 0, nBaseLength, true);
    strName += '.';
    strName += DecodeOem(entry, 8, 3, false);
    return strName;
}

std::string CFAT::GetBaseName(CByteView entry) { return DecodeOem(entry, 0, 8, true); }
