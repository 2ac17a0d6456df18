#include "cli/CliSource.h"

#include <cctype>
#include <filesystem>

#include "platform/DriveEnumerator.h"
#include "platform/NativeFiles.h"

namespace {

// "C" or "C:" names a drive of `varnel drives`; on Windows "C:\" and "\\.\C:"
// do too, and always (there "C:" is also a path, the current folder of C).
// Elsewhere a file of that name in the current folder comes first.
int DriveIndexOfSource(const std::string& strSource)
{
    std::string strLetter = strSource;
#ifdef _WIN32
    int nDevice = DriveOfDevicePath(strSource);
    if (nDevice >= 0) return nDevice;
    if (strLetter.size() == 3 && (strLetter[2] == '\\' || strLetter[2] == '/')) strLetter.pop_back();
#else
    std::error_code ec;
    if (std::filesystem::exists(PathFromUtf8(strSource), ec)) return -1;
#endif
    if (strLetter.size() < 1 || strLetter.size() > 2) return -1;
    if (strLetter.size() == 2 && strLetter[1] != ':') return -1;
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(strLetter[0])));
    return (c >= 'A' && c <= 'Z') ? c - 'A' : -1;
}

bool CheckPath(const std::string& strPath, std::string* pError)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::file_status status = fs::status(PathFromUtf8(strPath), ec);
    if (ec || !fs::exists(status)) {
        *pError = strPath + ": " + (ec ? ec.message() : "No such file or directory");
        return false;
    }
    if (fs::is_directory(status)) {
        *pError = strPath + ": is a folder, not a disk image or device";
        return false;
    }
    if (!fs::is_regular_file(status) && !fs::is_block_file(status)) {
        *pError = strPath + ": not a disk image file or block device";
        return false;
    }
    if (fs::is_regular_file(status)) {
        uintmax_t nSize = fs::file_size(PathFromUtf8(strPath), ec);
        if (!ec && nSize < 512) {
            *pError = strPath + (nSize == 0 ? ": the image is empty" : ": the image is shorter than one sector");
            return false;
        }
    }
    return true;
}

}  // namespace

bool OpenCliSource(const std::string& strSource, const std::string& strForcedType, CCliSource* pSource,
                   std::string* pError)
{
    CVolumeInfo info;
    int nLetter = DriveIndexOfSource(strSource);
    if (nLetter >= 0) {
        CSystemDriveEnumerator enumerator;
        RegisterEnumeratedDrives(enumerator);
        auto found = CVolumeTable::Instance().Get(nLetter);
        if (!found) {
            *pError = "drive " + DriveLetter(nLetter) + ": is not in the drive list";
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
