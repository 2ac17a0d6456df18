#include "fs/FileSystem.h"

#include "fs/FAT.h"
#include "fs/NTFS.h"

CFileSystem::CFileSystem(int nDrive, std::unique_ptr<CSectorReader> pReader)
    : m_pReader(std::move(pReader)), m_pFound(std::make_unique<CFoundArray>()), m_nDrive(nDrive)
{
}

CFileSystem::~CFileSystem() = default;

CRecoverResult CFileSystem::RecoverFile(uint64_t, const std::string&, COutputFile&, IRecoveryProgress*)
{
    CRecoverResult result;
    result.m_bWritten = false;
    result.m_strError = "this file system has no record-based recovery";
    return result;
}

CRecoverResult CFileSystem::RecoverFromCluster(const std::string&, COutputFile&, int, uint64_t, uint64_t, bool,
                                               IRecoveryProgress*)
{
    CRecoverResult result;
    result.m_bWritten = false;
    result.m_strError = "this file system has no cluster-based recovery";
    return result;
}

void CFileSystem::PrepareScan()
{
    m_bStopScan = false;
    m_pFound = std::make_unique<CFoundArray>();
    m_pCurrent = nullptr;
    m_scanDamage.clear();
}

void CFileSystem::NoteScanDamage(const std::string& strText)
{
    // A volume damaged everywhere must not grow the list without bound.
    constexpr size_t MAX_LINES = 100;
    if (m_scanDamage.size() < MAX_LINES) m_scanDamage.push_back(strText);
}

void CFileSystem::CountScanDamage(const std::string& strKind, uint64_t nCount)
{
    std::string strLine = std::to_string(nCount) + " " + strKind;
    for (std::string& strOld : m_scanDamage) {
        size_t nSpace = strOld.find(' ');
        if (nSpace != std::string::npos && strOld.compare(nSpace + 1, std::string::npos, strKind) == 0) {
            strOld = strLine;
            return;
        }
    }
    NoteScanDamage(strLine);
}

bool CFileSystem::RefuseUnloadedScan(IScanProgress* pProgress) const
{
    if (m_bBootLoaded) return false;
    if (pProgress) pProgress->ShowMessage(MSG_BOOT_NOT_LOADED, CAPTION_ERROR);
    return true;
}

std::unique_ptr<CFileSystem> CreateFileSystem(int nDrive, const std::string& strFileSystem)
{
    if (strFileSystem != "FAT32" && strFileSystem != "FAT" && strFileSystem != "NTFS") return nullptr;
    return CreateFileSystem(nDrive, strFileSystem, std::make_unique<CSectorReader>(nDrive));
}

std::unique_ptr<CFileSystem> CreateFileSystem(int nDrive, const std::string& strFileSystem,
                                              std::unique_ptr<CSectorReader> pReader)
{
    if (strFileSystem == "FAT32") return std::make_unique<CFAT32>(nDrive, std::move(pReader));
    if (strFileSystem == "FAT") return std::make_unique<CFAT_12_16>(nDrive, std::move(pReader));
    if (strFileSystem == "NTFS") return std::make_unique<CNTFS>(nDrive, std::move(pReader));
    return nullptr;
}
