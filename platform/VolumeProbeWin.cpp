#ifdef _WIN32

#include <cstdio>
#include <cstring>

#include "disk/SectorSource.h"
#include "fs/ByteView.h"
#include "platform/VolumeTable.h"

namespace {

std::string SerialText(uint32_t dwSerial)
{
    char sz[16];
    std::snprintf(sz, sizeof sz, "%04X-%04X", static_cast<unsigned>(dwSerial >> 16),
                  static_cast<unsigned>(dwSerial & 0xFFFF));
    return sz;
}

// An 11-byte boot-sector label without its padding; FAT's "NO NAME" is none.
std::string LabelText(CByteView label)
{
    std::string strLabel(reinterpret_cast<const char*>(label.Data()), label.Size());
    strLabel.erase(strLabel.find_last_not_of(' ') + 1);
    return strLabel == "NO NAME" ? std::string() : strLabel;
}

bool IsPowerOfTwo(unsigned n) { return n != 0 && (n & (n - 1)) == 0; }

// The fields every FAT boot sector has, in the ranges FAT allows.
bool LooksLikeFat(CByteView boot)
{
    unsigned nBytesPerSector = boot.U16(0x0B);
    uint8_t byMedia = boot.U8(0x15);
    return nBytesPerSector >= 512 && nBytesPerSector <= 4096 && IsPowerOfTwo(nBytesPerSector) &&
           IsPowerOfTwo(boot.U8(0x0D)) && boot.U16(0x0E) != 0 && boot.U8(0x10) != 0 && (byMedia >= 0xF8 || byMedia == 0xF0);
}

}  // namespace

bool ProbeVolume(const std::string& strPath, CVolumeInfo* pInfo, std::string* pError)
{
    std::unique_ptr<CFileSectorSource> pSource = CFileSectorSource::Open(strPath, pError);
    if (!pSource) return false;
    pInfo->m_strSourcePath = strPath;
    uint8_t bytes[512];
    if (!pSource->ReadAt(0, bytes, sizeof bytes)) return true;  // too short for any file system
    CByteView boot(bytes, sizeof bytes);
    if (std::memcmp(bytes + 3, "NTFS    ", 8) == 0) {
        // NTFS keeps its label in a file, not here; the serial's low half is what Windows shows.
        pInfo->m_strFileSystem = "NTFS";
        pInfo->m_strSerial = SerialText(boot.U32(0x48));
    } else if (LooksLikeFat(boot)) {
        bool bFat32 = boot.U16(0x16) == 0 && boot.U32(0x24) != 0;
        CByteView extended = boot.Sub(bFat32 ? 0x40 : 0x24, 26);
        pInfo->m_strFileSystem = bFat32 ? "FAT32" : "FAT";
        if (extended.U8(2) == 0x29) {
            pInfo->m_strSerial = SerialText(extended.U32(3));
            pInfo->m_strVolumeLabel = LabelText(extended.Sub(7, 11));
        }
    }
    return true;
}

#endif  // _WIN32
