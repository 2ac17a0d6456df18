#include "recover/RecoveryWalk.h"

#include "model/ItemPath.h"
#include "recover/OutputNames.h"

namespace {

// Folders nested deeper than this are reported instead of followed.
constexpr unsigned MAX_FOLDER_DEPTH = 1024;
// Beyond this many numbered variants of one name something is wrong.
constexpr unsigned MAX_NAME_NUMBER = 100000;

std::string ErrorText(const char* pszWhat) { return std::string(pszWhat) + ": " + LastErrorText(); }

// Creates a new file in the folder under the name, or the first free
// numbered variant of it. Links are never followed.
NativeFile CreateUniqueFile(const CNativeFolder& folder, const std::string& strName, std::string* pChosen)
{
    for (unsigned n = 1; n <= MAX_NAME_NUMBER; ++n) {
        std::string strTry = n == 1 ? strName : NumberedName(strName, n);
        NativeFile hFile = folder.CreateNewFile(strTry);
        if (hFile != NO_NATIVE_FILE || !LastErrorWasNameTaken()) {
            *pChosen = strTry;
            return hFile;
        }
    }
    return NO_NATIVE_FILE;
}

// Creates a new folder (or numbered variant) and opens it.
CNativeFolder CreateUniqueFolder(const CNativeFolder& parent, const std::string& strName, std::string* pChosen)
{
    for (unsigned n = 1; n <= MAX_NAME_NUMBER; ++n) {
        std::string strTry = n == 1 ? strName : NumberedName(strName, n);
        CNativeFolder folder = parent.CreateNewFolder(strTry);
        if (folder.IsOpen() || !LastErrorWasNameTaken()) {
            *pChosen = strTry;
            return folder;
        }
    }
    return CNativeFolder();
}

// A recovered file or folder gets the times the volume kept for it.
uint64_t AccessTimeOf(const CResultItem& item) { return item.GetItemData() ? item.GetItemData()->m_nAccessTime : 0; }
uint64_t ModifyTimeOf(const CResultItem& item) { return item.GetItemData() ? item.GetItemData()->m_nModifyTime : 0; }

// A folder's own times are set after everything inside it is written.
void CloseFolder(CNativeFolder& folder, const CResultItem& item)
{
    folder.SetTimes(AccessTimeOf(item), ModifyTimeOf(item));
    folder.Close();
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

CRecoveryWalk::~CRecoveryWalk() = default;

bool CRecoveryWalk::SetDestination(const std::string& strFolder, std::string* pError)
{
    m_destination = CNativeFolder::OpenForWriting(strFolder, pError);
    if (!m_destination.IsOpen()) return false;
    m_strDestination = strFolder;
    m_nMaxFileBytes = m_destination.MaxFileBytes();
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
    if (!m_destination.IsOpen() || Cancelled()) return;
    std::string strSource = ItemAddress(&item);
    if (item.IsFile()) {
        RecoverFileItem(item, m_destination, m_strDestination, strSource);
    } else if (item.IsFolder()) {
        std::string strChosen;
        CNativeFolder folder = CreateUniqueFolder(m_destination, SanitizeName(item.GetText()), &strChosen);
        std::string strDest = m_strDestination + NATIVE_SEPARATOR + strChosen;
        if (!folder.IsOpen()) return FailSubtree(item, strDest, ErrorText("cannot create folder"));
        ++m_report.m_nFoldersCreated;
        RecoverFolderItem(item, folder, strDest, strSource, 1);
        CloseFolder(folder, item);
    }
}

void CRecoveryWalk::RecoverFolderItem(const CResultItem& folder, const CNativeFolder& dir, const std::string& strDest,
                                      const std::string& strSource, unsigned nDepth)
{
    for (size_t i = 0; i < folder.GetChildCount() && !Cancelled(); ++i) {
        const CResultItem& child = *folder.GetChild(i);
        std::string strChildSource = strSource + "\\" + child.GetText();
        if (child.IsFile()) {
            RecoverFileItem(child, dir, strDest, strChildSource);
            continue;
        }
        if (!child.IsFolder()) continue;
        std::string strChosen;
        CNativeFolder childDir;
        if (nDepth < MAX_FOLDER_DEPTH) childDir = CreateUniqueFolder(dir, SanitizeName(child.GetText()), &strChosen);
        std::string strChildDest =
            strDest + NATIVE_SEPARATOR + (strChosen.empty() ? SanitizeName(child.GetText()) : strChosen);
        if (!childDir.IsOpen()) {
            FailSubtree(child, strChildDest,
                        nDepth < MAX_FOLDER_DEPTH ? ErrorText("cannot create folder") : "folders nested too deeply");
            continue;
        }
        ++m_report.m_nFoldersCreated;
        RecoverFolderItem(child, childDir, strChildDest, strChildSource, nDepth + 1);
        CloseFolder(childDir, child);
    }
}

void CRecoveryWalk::RecoverFileItem(const CResultItem& item, const CNativeFolder& dir, const std::string& strDest,
                                    const std::string& strSource)
{
    const CTreeItemData* pData = item.GetItemData();
    std::string strRefusal = pData ? SizeRefusal(*pData) : std::string();
    if (!strRefusal.empty()) {
        // Written, it would be cut short at the limit without a word.
        ++m_report.m_nFilesFailed;
        m_report.m_failures.push_back({strSource, strDest + NATIVE_SEPARATOR + SanitizeName(item.GetText()), strRefusal});
        return;
    }
    std::string strChosen;
    NativeFile hFile = CreateUniqueFile(dir, SanitizeName(item.GetText()), &strChosen);
    std::string strPath = strDest + NATIVE_SEPARATOR + strChosen;
    if (hFile == NO_NATIVE_FILE || !pData) {
        std::string strReason = pData ? ErrorText("cannot create file") : "no item data";
        if (hFile != NO_NATIVE_FILE) CloseNativeFile(hFile);
        ++m_report.m_nFilesFailed;
        m_report.m_failures.push_back({strSource, strPath, strReason});
        return;
    }
    if (m_pProgress) m_pProgress->SetFileInfo(item.GetText(), strSource, strPath);
    COutputFile out(hFile, strPath);
    CRecoverResult result =
        m_strFileSystem == "NTFS"
            ? m_engine.RecoverFile(pData->m_nStartRef, item.GetText(), out, m_pProgress)
            : m_engine.RecoverFromCluster(strSource, out, m_engine.m_nDrive, pData->m_nStartRef, pData->m_nSize,
                                          item.IsDeleted(), m_pProgress);
    out.SetTimesOnClose(AccessTimeOf(item), ModifyTimeOf(item));
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
