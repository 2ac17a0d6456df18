#ifndef _WIN32

#include <blkid/blkid.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/VolumeTable.h"

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

#endif  // !_WIN32
