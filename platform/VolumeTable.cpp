#include "platform/VolumeTable.h"

#include <algorithm>
#include <cctype>

std::string FileSystemNameFromBlkid(const std::string& strType, const std::string& strVersion)
{
    if (strType == "ntfs") return "NTFS";
    if (strType == "vfat" || strType == "msdos") return strVersion == "FAT32" ? "FAT32" : "FAT";
    if (strType == "iso9660" || strType == "udf") return "CDFS";
    std::string strName = strType;
    std::transform(strName.begin(), strName.end(), strName.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return strName;
}

std::string SerialFromUuid(const std::string& strUuid)
{
    std::string strHex;
    for (char c : strUuid)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            strHex += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (strHex.size() < 8) return "";
    strHex = strHex.substr(strHex.size() - 8);
    return strHex.substr(0, 4) + "-" + strHex.substr(4);
}

CVolumeTable& CVolumeTable::Instance()
{
    static CVolumeTable table;
    return table;
}

int CVolumeTable::Register(const CVolumeInfo& info, int nPreferred)
{
    std::lock_guard lock(m_mutex);
    if (info.m_nFixedDrive >= 0 && info.m_nFixedDrive < DRIVE_COUNT) {
        std::optional<CVolumeInfo>& slot = m_slots[info.m_nFixedDrive];
        if (slot && slot->m_bImage) return -1;
        slot = info;
        return info.m_nFixedDrive;
    }
    for (int i = 0; i < DRIVE_COUNT; ++i)
        if (m_slots[i] && m_slots[i]->m_strSourcePath == info.m_strSourcePath) {
            m_slots[i] = info;
            return i;
        }
    if (nPreferred >= 0 && nPreferred < DRIVE_COUNT && !m_slots[nPreferred]) {
        m_slots[nPreferred] = info;
        return nPreferred;
    }
    // A and B are the floppy letters; volumes start at C as on Windows.
    for (int i = 2; i < DRIVE_COUNT; ++i)
        if (!m_slots[i]) {
            m_slots[i] = info;
            return i;
        }
    return -1;
}

void CVolumeTable::Remove(int nDrive)
{
    std::lock_guard lock(m_mutex);
    if (nDrive >= 0 && nDrive < DRIVE_COUNT) m_slots[nDrive].reset();
}

void CVolumeTable::Clear()
{
    std::lock_guard lock(m_mutex);
    for (auto& slot : m_slots) slot.reset();
}

std::optional<CVolumeInfo> CVolumeTable::Get(int nDrive) const
{
    std::lock_guard lock(m_mutex);
    if (nDrive < 0 || nDrive >= DRIVE_COUNT) return std::nullopt;
    return m_slots[nDrive];
}

std::string CVolumeTable::GetSourcePath(int nDrive) const
{
    auto info = Get(nDrive);
    return info ? info->m_strSourcePath : std::string();
}

int CVolumeTable::FindBySource(const std::string& strPath) const
{
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < DRIVE_COUNT; ++i)
        if (m_slots[i] && m_slots[i]->m_strSourcePath == strPath) return i;
    return -1;
}

uint32_t CVolumeTable::GetLogicalDrives() const
{
    std::lock_guard lock(m_mutex);
    uint32_t nMask = 0;
    for (int i = 0; i < DRIVE_COUNT; ++i)
        if (m_slots[i]) nMask |= 1u << i;
    return nMask;
}

std::string DriveLetter(int nDrive)
{
    if (nDrive < 0 || nDrive >= DRIVE_COUNT) return "";
    return std::string(1, static_cast<char>('A' + nDrive));
}

std::string DevicePathOfDrive(int nDrive)
{
    std::string strLetter = DriveLetter(nDrive);
    return strLetter.empty() ? std::string() : "\\\\.\\" + strLetter + ":";
}

int DriveOfDevicePath(const std::string& strPath)
{
    if (strPath.size() != 6 || strPath.compare(0, 4, "\\\\.\\") != 0 || strPath[5] != ':') return -1;
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(strPath[4])));
    return c >= 'A' && c <= 'Z' ? c - 'A' : -1;
}
