#include "platform/VolumeTable.h"

#include <algorithm>
#include <blkid/blkid.h>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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

static std::string ProbeValue(blkid_probe probe, const char* pszName)
{
    const char* pszValue = nullptr;
    if (blkid_probe_lookup_value(probe, pszName, &pszValue, nullptr) == 0 && pszValue) return pszValue;
    return "";
}

bool ProbeVolume(const std::string& strPath, CVolumeInfo* pInfo, std::string* pError)
{
    // Opened read-only by us, so that probing can never write to the volume.
    int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (pError) *pError = strPath + ": " + std::strerror(errno);
        return false;
    }
    blkid_probe probe = blkid_new_probe();
    bool bOk = probe && blkid_probe_set_device(probe, fd, 0, 0) == 0;
    if (bOk) {
        blkid_probe_enable_superblocks(probe, 1);
        blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_TYPE | BLKID_SUBLKS_LABEL |
                                                     BLKID_SUBLKS_UUID | BLKID_SUBLKS_VERSION);
        if (blkid_do_safeprobe(probe) == 0) {
            std::string strType = ProbeValue(probe, "TYPE");
            pInfo->m_strFileSystem = FileSystemNameFromBlkid(strType, ProbeValue(probe, "VERSION"));
            pInfo->m_strVolumeLabel = ProbeValue(probe, "LABEL");
            pInfo->m_strSerial = SerialFromUuid(ProbeValue(probe, "UUID"));
        }
    } else if (pError) {
        *pError = strPath + ": cannot be probed";
    }
    if (probe) blkid_free_probe(probe);
    ::close(fd);
    pInfo->m_strSourcePath = strPath;
    return bOk;
}

CVolumeTable& CVolumeTable::Instance()
{
    static CVolumeTable table;
    return table;
}

int CVolumeTable::Register(const CVolumeInfo& info, int nPreferred)
{
    std::lock_guard lock(m_mutex);
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
