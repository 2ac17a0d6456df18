#ifdef _WIN32

#include <cstdio>
#include <windows.h>

#include "platform/DriveEnumerator.h"

namespace {

// A card reader without a card must not make the system ask for one.
class CQuietErrors {
public:
    CQuietErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &m_dwOld); }
    ~CQuietErrors() { SetThreadErrorMode(m_dwOld, nullptr); }
    CQuietErrors(const CQuietErrors&) = delete;
    CQuietErrors& operator=(const CQuietErrors&) = delete;

private:
    DWORD m_dwOld = 0;
};

std::string SerialText(DWORD dwSerial)
{
    char sz[16];
    std::snprintf(sz, sizeof sz, "%04X-%04X", static_cast<unsigned>(dwSerial >> 16),
                  static_cast<unsigned>(dwSerial & 0xFFFF));
    return sz;
}

std::string SizeText(const char* pszRoot)
{
    ULARGE_INTEGER total {};
    if (!GetDiskFreeSpaceExA(pszRoot, nullptr, &total, nullptr)) return "";
    double dGiB = static_cast<double>(total.QuadPart) / (1024.0 * 1024.0 * 1024.0);
    char sz[32];
    std::snprintf(sz, sizeof sz, dGiB >= 1.0 ? " (%.1f GiB)" : " (%.0f MiB)", dGiB >= 1.0 ? dGiB : dGiB * 1024.0);
    return sz;
}

// The volume at a drive letter, as the drive list takes it; false for a
// drive that cannot be listed (wrong type, no medium, unreadable volume).
bool Describe(int nDrive, CVolumeInfo* pInfo)
{
    char szRoot[] = "C:\\";
    szRoot[0] = static_cast<char>('A' + nDrive);
    UINT nType = GetDriveTypeA(szRoot);
    if (nType != DRIVE_REMOVABLE && nType != DRIVE_FIXED) return false;
    // The buffers are as long as the drive list has always had them; a name
    // that does not fit makes the call fail and the drive unlisted.
    char szLabel[24] = {}, szFileSystem[12] = {};
    DWORD dwSerial = 0;
    if (!GetVolumeInformationA(szRoot, szLabel, sizeof szLabel, &dwSerial, nullptr, nullptr, szFileSystem,
                               sizeof szFileSystem))
        return false;
    pInfo->m_strSourcePath = DevicePathOfDrive(nDrive);
    pInfo->m_nType = static_cast<EDriveType>(nType);
    pInfo->m_strFileSystem = szFileSystem;
    pInfo->m_strVolumeLabel = szLabel;
    pInfo->m_strSerial = SerialText(dwSerial);
    pInfo->m_strDescription = szRoot + SizeText(szRoot);
    pInfo->m_nFixedDrive = nDrive;
    return true;
}

}  // namespace

std::vector<CVolumeInfo> CWindowsDriveEnumerator::Enumerate()
{
    CQuietErrors quiet;
    std::vector<CVolumeInfo> volumes;
    DWORD dwMask = ::GetLogicalDrives();
    for (int i = 0; i < DRIVE_COUNT; ++i) {
        CVolumeInfo info;
        if ((dwMask & (1u << i)) && Describe(i, &info)) volumes.push_back(info);
    }
    return volumes;
}

#endif  // _WIN32
