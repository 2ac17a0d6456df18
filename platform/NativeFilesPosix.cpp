#ifndef _WIN32

#include "platform/NativeFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "fs/FileTime.h"

std::string LastErrorText() { return std::strerror(errno); }

bool LastErrorWasNameTaken() { return errno == EEXIST; }

std::filesystem::path PathFromUtf8(const std::string& strPath) { return strPath; }

std::string Utf8FromPath(const std::filesystem::path& path) { return path.string(); }

NativeFile CreateNewNativeFile(const std::string& strPath)
{
    return ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
}

bool WriteNativeFile(NativeFile fd, const void* pData, uint64_t nLength, uint64_t* pWritten)
{
    const auto* p = static_cast<const uint8_t*>(pData);
    while (nLength > 0) {
        ssize_t n = ::write(fd, p, nLength);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        nLength -= static_cast<uint64_t>(n);
        *pWritten += static_cast<uint64_t>(n);
    }
    return true;
}

bool SeekNativeFile(NativeFile fd, uint64_t nOffset) { return ::lseek(fd, static_cast<off_t>(nOffset), SEEK_SET) >= 0; }

bool SetNativeFileLength(NativeFile fd, uint64_t nLength) { return ::ftruncate(fd, static_cast<off_t>(nLength)) == 0; }

void SetNativeFileTimes(NativeFile fd, uint64_t nAccessTime, uint64_t nModifyTime)
{
    struct timespec times[2] = {FileTimeToTimespec(nAccessTime), FileTimeToTimespec(nModifyTime)};
    (void)::futimens(fd, times);
}

bool CloseNativeFile(NativeFile fd) { return ::close(fd) == 0; }

CNativeFolder::~CNativeFolder() { Close(); }

CNativeFolder::CNativeFolder(CNativeFolder&& other) noexcept { *this = std::move(other); }

CNativeFolder& CNativeFolder::operator=(CNativeFolder&& other) noexcept
{
    if (this != &other) {
        Close();
        m_hFolder = std::exchange(other.m_hFolder, NO_NATIVE_FILE);
        m_strPath = std::move(other.m_strPath);
    }
    return *this;
}

void CNativeFolder::Close()
{
    if (m_hFolder >= 0) ::close(m_hFolder);
    m_hFolder = NO_NATIVE_FILE;
}

CNativeFolder CNativeFolder::OpenForWriting(const std::string& strPath, std::string* pError)
{
    CNativeFolder folder;
    folder.m_hFolder = ::open(strPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder.m_hFolder >= 0 && ::faccessat(folder.m_hFolder, ".", W_OK, AT_EACCESS) != 0) folder.Close();
    if (!folder.IsOpen()) {
        if (pError) *pError = strPath + ": " + LastErrorText();
        return folder;
    }
    folder.m_strPath = strPath;
    return folder;
}

NativeFile CNativeFolder::CreateNewFile(const std::string& strName) const
{
    return ::openat(m_hFolder, strName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

CNativeFolder CNativeFolder::CreateNewFolder(const std::string& strName) const
{
    CNativeFolder folder;
    if (::mkdirat(m_hFolder, strName.c_str(), 0755) != 0) return folder;
    folder.m_hFolder = ::openat(m_hFolder, strName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    folder.m_strPath = m_strPath + "/" + strName;
    return folder;
}

void CNativeFolder::SetTimes(uint64_t nAccessTime, uint64_t nModifyTime) const
{
    SetNativeFileTimes(m_hFolder, nAccessTime, nModifyTime);
}

namespace {

std::string Canonical(const std::string& strPath)
{
    std::error_code ec;
    std::string strReal = std::filesystem::weakly_canonical(strPath, ec).string();
    return ec ? strPath : strReal;
}

// Loop devices (as /dev/loopN) whose backing file is the image.
std::vector<std::string> LoopDevicesOfImage(const std::string& strImage)
{
    std::vector<std::string> devices;
    std::string strReal = Canonical(strImage);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/block", ec)) {
        std::string strName = entry.path().filename().string();
        if (strName.rfind("loop", 0) != 0) continue;
        std::ifstream backing(entry.path() / "loop" / "backing_file");
        std::string strBacking;
        if (std::getline(backing, strBacking) && strBacking == strReal) devices.push_back("/dev/" + strName);
    }
    return devices;
}

// mountinfo escapes blanks and backslashes in paths as octal.
std::string Unescape(const std::string& str)
{
    std::string strOut;
    for (size_t i = 0; i < str.size(); ++i) {
        if (str[i] == '\\' && i + 3 < str.size()) {
            strOut += static_cast<char>(std::stoi(str.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            strOut += str[i];
        }
    }
    return strOut;
}

struct CMountInfo {
    std::string m_strSource;
    std::string m_strType;
};

// The mount that holds the path (the longest mount point above it).
CMountInfo MountOf(const std::string& strPath)
{
    std::ifstream mounts("/proc/self/mountinfo");
    std::string strLine, strBest;
    CMountInfo best;
    while (std::getline(mounts, strLine)) {
        std::istringstream fields(strLine);
        std::string strId, strParent, strDev, strRoot, strPoint;
        fields >> strId >> strParent >> strDev >> strRoot >> strPoint;
        strPoint = Unescape(strPoint);
        size_t nDash = strLine.find(" - ");
        if (nDash == std::string::npos) continue;
        std::istringstream tail(strLine.substr(nDash + 3));
        std::string strType, strMountSource;
        tail >> strType >> strMountSource;
        bool bAbove = strPath == strPoint || strPoint == "/" ||
                      (strPath.rfind(strPoint, 0) == 0 && strPath[strPoint.size()] == '/');
        if (bAbove && strPoint.size() >= strBest.size()) {
            strBest = strPoint;
            best = {Unescape(strMountSource), strType};
        }
    }
    return best;
}

// A destination that does not exist yet will be made inside its nearest
// existing ancestor, so that ancestor is what decides the volume.
std::string NearestExistingFolder(const std::string& strFolder)
{
    std::filesystem::path path = std::filesystem::absolute(strFolder);
    std::error_code ec;
    while (!std::filesystem::exists(path, ec) && path.has_relative_path()) path = path.parent_path();
    return path.string();
}

}  // namespace

uint64_t CNativeFolder::MaxFileBytes() const
{
    constexpr uint64_t FAT_MAX_FILE_BYTES = 0xFFFFFFFFull;
    constexpr decltype(statfs::f_type) MSDOS_MAGIC = 0x4d44;
    constexpr decltype(statfs::f_type) FUSE_MAGIC = 0x65735546;
    struct statfs st {};
    if (::fstatfs(m_hFolder, &st) != 0) return UINT64_MAX;
    if (st.f_type == MSDOS_MAGIC) return FAT_MAX_FILE_BYTES;
    // A FUSE mount tells its kind only in the mount table.
    if (st.f_type == FUSE_MAGIC && MountOf(Canonical(m_strPath)).m_strType == "fuse.fusefat") return FAT_MAX_FILE_BYTES;
    return UINT64_MAX;
}

bool IsOnScannedVolume(const std::string& strDestination, const std::string& strSourcePath)
{
    const std::string strFolder = NearestExistingFolder(strDestination);
    struct stat stDest {}, stSource {};
    if (::stat(strFolder.c_str(), &stDest) != 0 || ::stat(strSourcePath.c_str(), &stSource) != 0) return false;
    // The volume's own devices: the source itself, or loop devices over the image.
    std::vector<std::string> devices{Canonical(strSourcePath)};
    if (S_ISREG(stSource.st_mode))
        for (const std::string& strLoop : LoopDevicesOfImage(strSourcePath)) devices.push_back(strLoop);
    // A kernel mount shows as the device number; a FUSE mount (ntfs-3g) only
    // by the source the mount names.
    for (const std::string& strDevice : devices) {
        struct stat stDevice {};
        if (::stat(strDevice.c_str(), &stDevice) == 0 && S_ISBLK(stDevice.st_mode) && stDest.st_dev == stDevice.st_rdev)
            return true;
    }
    std::string strMountSource = MountOf(Canonical(strFolder)).m_strSource;
    if (strMountSource.empty() || strMountSource[0] != '/') return false;
    std::string strRealMount = Canonical(strMountSource);
    for (const std::string& strDevice : devices)
        if (strRealMount == strDevice) return true;
    return false;
}

#endif  // !_WIN32
