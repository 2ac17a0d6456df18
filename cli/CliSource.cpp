#include "cli/CliSource.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "platform/DriveEnumerator.h"

namespace {

// "C" or "C:" names a drive of `varnel drives`.
int DriveIndexOfLetter(const std::string& strSource)
{
    if (strSource.size() < 1 || strSource.size() > 2) return -1;
    if (strSource.size() == 2 && strSource[1] != ':') return -1;
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(strSource[0])));
    return (c >= 'A' && c <= 'Z') ? c - 'A' : -1;
}

bool CheckPath(const std::string& strPath, std::string* pError)
{
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0) {
        *pError = strPath + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        *pError = strPath + ": is a folder, not a disk image or device";
        return false;
    }
    if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode)) {
        *pError = strPath + ": not a disk image file or block device";
        return false;
    }
    if (S_ISREG(st.st_mode) && st.st_size < 512) {
        *pError = strPath + (st.st_size == 0 ? ": the image is empty" : ": the image is shorter than one sector");
        return false;
    }
    return true;
}

}  // namespace

bool OpenCliSource(const std::string& strSource, const std::string& strForcedType, CCliSource* pSource,
                   std::string* pError)
{
    CVolumeInfo info;
    int nLetter = DriveIndexOfLetter(strSource);
    struct stat st {};
    if (nLetter >= 0 && ::stat(strSource.c_str(), &st) != 0) {
        CLinuxDriveEnumerator enumerator;
        RegisterEnumeratedDrives(enumerator);
        auto found = CVolumeTable::Instance().Get(nLetter);
        if (!found) {
            *pError = "drive " + std::string(1, static_cast<char>('A' + nLetter)) + ": is not in the drive list";
            return false;
        }
        info = *found;
        pSource->m_nDrive = nLetter;
    } else {
        if (!CheckPath(strSource, pError)) return false;
        if (!ProbeVolume(strSource, &info, pError)) return false;
        info.m_bImage = true;
        info.m_strDescription = strSource;
        pSource->m_nDrive = CVolumeTable::Instance().Register(info);
        if (pSource->m_nDrive < 0) {
            *pError = "no free drive letter for " + strSource;
            return false;
        }
    }
    pSource->m_strPath = info.m_strSourcePath;
    pSource->m_strFileSystem = strForcedType.empty() ? info.m_strFileSystem : strForcedType;
    if (pSource->m_strFileSystem.empty()) {
        *pError = strSource + ": no NTFS or FAT file system found on it";
        return false;
    }
    pSource->m_pEngine = CreateFileSystem(pSource->m_nDrive, pSource->m_strFileSystem);
    return true;
}
