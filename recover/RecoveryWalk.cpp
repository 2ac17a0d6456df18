#include "recover/RecoveryWalk.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "fs/FileTime.h"
#include "model/ItemPath.h"
#include "recover/OutputNames.h"

namespace {

// Folders nested deeper than this are reported instead of followed.
constexpr unsigned MAX_FOLDER_DEPTH = 1024;
// Beyond this many numbered variants of one name something is wrong.
constexpr unsigned MAX_NAME_NUMBER = 100000;

std::string ErrnoText(const char* pszWhat) { return std::string(pszWhat) + ": " + std::strerror(errno); }

// Creates a new file in the folder under the name, or the first free
// numbered variant of it. Links are never followed.
int CreateUniqueFile(int nDirFd, const std::string& strName, std::string* pChosen)
{
    for (unsigned n = 1; n <= MAX_NAME_NUMBER; ++n) {
        std::string strTry = n == 1 ? strName : NumberedName(strName, n);
        int fd = ::openat(nDirFd, strTry.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) {
            *pChosen = strTry;
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Creates a new folder (or numbered variant) and opens it.
int CreateUniqueFolder(int nDirFd, const std::string& strName, std::string* pChosen)
{
    for (unsigned n = 1; n <= MAX_NAME_NUMBER; ++n) {
        std::string strTry = n == 1 ? strName : NumberedName(strName, n);
        if (::mkdirat(nDirFd, strTry.c_str(), 0755) == 0) {
            *pChosen = strTry;
            return ::openat(nDirFd, strTry.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

// A recovered file or folder gets the times the volume kept for it.
void TimesOf(const CResultItem& item, struct timespec times[2])
{
    const CTreeItemData* pData = item.GetItemData();
    times[0] = FileTimeToTimespec(pData ? pData->m_nAccessTime : 0);
    times[1] = FileTimeToTimespec(pData ? pData->m_nModifyTime : 0);
}

// A folder's own times are set after everything inside it is written.
void CloseFolder(int fd, const CResultItem& folder)
{
    struct timespec times[2];
    TimesOf(folder, times);
    (void)::futimens(fd, times);
    ::close(fd);
}

uint64_t CountFiles(const CResultItem& item)
{
    if (item.IsFile()) return 1;
    uint64_t n = 0;
    for (size_t i = 0; i < item.GetChildCount(); ++i) n += CountFiles(*item.GetChild(i));
    return n;
}

}  // namespace

std::string CRecoveryReport::EndText() const
{
    if (AllWritten()) return MSG_RECOVERY_DONE;
    std::string strText = m_bCancelled ? "Recovery cancelled: " : "Recovery finished with errors: ";
    strText += std::to_string(m_nFilesWritten) + " file(s) written";
    if (m_nFilesIncomplete) strText += ", " + std::to_string(m_nFilesIncomplete) + " incomplete";
    if (m_nFilesFailed) strText += ", " + std::to_string(m_nFilesFailed) + " failed";
    return strText;
}

CRecoveryWalk::CRecoveryWalk(CFileSystem& engine, std::string strFileSystem, IRecoveryProgress* pProgress)
    : m_engine(engine), m_strFileSystem(std::move(strFileSystem)), m_pProgress(pProgress)
{
}

CRecoveryWalk::~CRecoveryWalk()
{
    if (m_nDestFd >= 0) ::close(m_nDestFd);
}

bool CRecoveryWalk::SetDestination(const std::string& strFolder, std::string* pError)
{
    if (m_nDestFd >= 0) ::close(m_nDestFd);
    m_nDestFd = ::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_nDestFd < 0) {
        if (pError) *pError = strFolder + ": " + std::strerror(errno);
        return false;
    }
    if (::faccessat(m_nDestFd, ".", W_OK, AT_EACCESS) != 0) {
        if (pError) *pError = strFolder + ": " + std::strerror(errno);
        ::close(m_nDestFd);
        m_nDestFd = -1;
        return false;
    }
    m_strDestination = strFolder;
    m_nMaxFileBytes = MaxFileBytesAt(m_nDestFd, strFolder);
    return true;
}

std::string CRecoveryWalk::SizeRefusal(const CTreeItemData& data) const
{
    if (data.m_nSize <= m_nMaxFileBytes) return {};
    return "the file has " + std::to_string(data.m_nSize) + " bytes, more than the destination's FAT file system " +
           "can hold in one file (" + std::to_string(m_nMaxFileBytes) + "); not written";
}

bool CRecoveryWalk::Cancelled()
{
    if (m_pProgress) m_pProgress->WaitWhilePaused();
    if (m_pProgress && m_pProgress->IsCancelled()) m_report.m_bCancelled = true;
    return m_report.m_bCancelled;
}

void CRecoveryWalk::RecoverItem(const CResultItem& item)
{
    if (m_nDestFd < 0 || Cancelled()) return;
    std::string strSource = ItemAddress(&item);
    if (item.IsFile()) {
        RecoverFileItem(item, m_nDestFd, m_strDestination, strSource);
    } else if (item.IsFolder()) {
        std::string strChosen;
        int fd = CreateUniqueFolder(m_nDestFd, SanitizeName(item.GetText()), &strChosen);
        std::string strDest = m_strDestination + "/" + strChosen;
        if (fd < 0) return FailSubtree(item, strDest, ErrnoText("cannot create folder"));
        ++m_report.m_nFoldersCreated;
        RecoverFolderItem(item, fd, strDest, strSource, 1);
        CloseFolder(fd, item);
    }
}

void CRecoveryWalk::RecoverFolderItem(const CResultItem& folder, int nDirFd, const std::string& strDest,
                                      const std::string& strSource, unsigned nDepth)
{
    for (size_t i = 0; i < folder.GetChildCount() && !Cancelled(); ++i) {
        const CResultItem& child = *folder.GetChild(i);
        std::string strChildSource = strSource + "\\" + child.GetText();
        if (child.IsFile()) {
            RecoverFileItem(child, nDirFd, strDest, strChildSource);
            continue;
        }
        if (!child.IsFolder()) continue;
        std::string strChosen;
        int fd = -1;
        if (nDepth < MAX_FOLDER_DEPTH) fd = CreateUniqueFolder(nDirFd, SanitizeName(child.GetText()), &strChosen);
        std::string strChildDest = strDest + "/" + (strChosen.empty() ? SanitizeName(child.GetText()) : strChosen);
        if (fd < 0) {
            FailSubtree(child, strChildDest,
                        nDepth < MAX_FOLDER_DEPTH ? ErrnoText("cannot create folder") : "folders nested too deeply");
            continue;
        }
        ++m_report.m_nFoldersCreated;
        RecoverFolderItem(child, fd, strChildDest, strChildSource, nDepth + 1);
        CloseFolder(fd, child);
    }
}

void CRecoveryWalk::RecoverFileItem(const CResultItem& item, int nDirFd, const std::string& strDest,
                                    const std::string& strSource)
{
    const CTreeItemData* pData = item.GetItemData();
    std::string strRefusal = pData ? SizeRefusal(*pData) : std::string();
    if (!strRefusal.empty()) {
        // Written, it would be cut short at the limit without a word.
        ++m_report.m_nFilesFailed;
        m_report.m_failures.push_back({strSource, strDest + "/" + SanitizeName(item.GetText()), strRefusal});
        return;
    }
    std::string strChosen;
    int fd = CreateUniqueFile(nDirFd, SanitizeName(item.GetText()), &strChosen);
    std::string strPath = strDest + "/" + strChosen;
    if (fd < 0 || !pData) {
        if (fd >= 0) ::close(fd);
        ++m_report.m_nFilesFailed;
        m_report.m_failures.push_back({strSource, strPath, pData ? ErrnoText("cannot create file") : "no item data"});
        return;
    }
    if (m_pProgress) m_pProgress->SetFileInfo(item.GetText(), strSource, strPath);
    COutputFile out(fd, strPath);
    CRecoverResult result =
        m_strFileSystem == "NTFS"
            ? m_engine.RecoverFile(pData->m_nStartRef, item.GetText(), out, m_pProgress)
            : m_engine.RecoverFromCluster(strSource, out, m_engine.m_nDrive, pData->m_nStartRef, pData->m_nSize,
                                          item.IsDeleted(), m_pProgress);
    struct timespec times[2];
    TimesOf(item, times);
    out.SetTimesOnClose(times[0], times[1]);
    bool bClosed = out.Close();
    m_report.m_nBytesWritten += out.GetBytesWritten();
    m_report.m_nUnreadableClusters += result.m_nUnreadableClusters;
    if (result.m_bCancelled) m_report.m_bCancelled = true;
    if (!result.m_bWritten || !bClosed) {
        ++m_report.m_nFilesFailed;
        std::string strReason = !result.m_strError.empty() ? result.m_strError : out.GetError();
        m_report.m_failures.push_back({strSource, strPath, strReason.empty() ? "write failed" : strReason});
    } else if (!result.IsComplete()) {
        ++m_report.m_nFilesIncomplete;
        std::string strReason = result.m_bCancelled ? "cancelled part-way"
                                : !result.m_strError.empty()
                                    ? result.m_strError
                                    : std::to_string(result.m_nUnreadableClusters) + " unreadable cluster(s) written as zeros";
        m_report.m_failures.push_back({strSource, strPath, strReason, true});
    } else {
        ++m_report.m_nFilesWritten;
    }
}

void CRecoveryWalk::FailSubtree(const CResultItem& item, const std::string& strDest, const std::string& strReason)
{
    uint64_t nFiles = CountFiles(item);
    m_report.m_nFilesFailed += nFiles;
    m_report.m_failures.push_back({ItemAddress(&item), strDest,
                                   strReason + " (" + std::to_string(nFiles) + " file(s) below it not written)"});
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

uint64_t MaxFileBytesAt(int nDirFd, const std::string& strFolder)
{
    constexpr uint64_t FAT_MAX_FILE_BYTES = 0xFFFFFFFFull;
    constexpr decltype(statfs::f_type) MSDOS_MAGIC = 0x4d44;
    constexpr decltype(statfs::f_type) FUSE_MAGIC = 0x65735546;
    struct statfs st {};
    if (::fstatfs(nDirFd, &st) != 0) return UINT64_MAX;
    if (st.f_type == MSDOS_MAGIC) return FAT_MAX_FILE_BYTES;
    // A FUSE mount tells its kind only in the mount table.
    if (st.f_type == FUSE_MAGIC && MountOf(Canonical(strFolder)).m_strType == "fuse.fusefat") return FAT_MAX_FILE_BYTES;
    return UINT64_MAX;
}
