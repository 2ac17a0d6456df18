#pragma once
// The engine contract: scan a volume into found entries, write one found
// entry's data into an output file.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "disk/SectorReader.h"
#include "fs/FoundEntry.h"
#include "fs/OutputFile.h"
#include "fs/Progress.h"

// How writing one file went. A file is complete when it was written in full
// from readable clusters.
struct CRecoverResult {
    bool m_bWritten = true;             // false: the output could not be written, or nothing was readable
    bool m_bCancelled = false;          // the user cancelled while this file was written
    bool m_bShort = false;              // the volume could not back the recorded size: output cut or zero-filled
    uint64_t m_nBytesWritten = 0;
    uint64_t m_nUnreadableClusters = 0; // written as zeros in place
    std::string m_strError;             // why the file is missing or incomplete

    bool IsComplete() const { return m_bWritten && !m_bCancelled && !m_bShort && m_nUnreadableClusters == 0; }
};

inline constexpr const char* MSG_BOOT_NOT_LOADED = "Failed to load bios parameter Scanning is not possible";
inline constexpr const char* CAPTION_ERROR = "Error Message";

class CFileSystem {
public:
    explicit CFileSystem(int nDrive, std::unique_ptr<CSectorReader> pReader);
    virtual ~CFileSystem();
    CFileSystem(const CFileSystem&) = delete;
    CFileSystem& operator=(const CFileSystem&) = delete;

    // NTFS: writes the data of MFT record nStartRef. Base: writes nothing.
    virtual CRecoverResult RecoverFile(uint64_t nStartRef, const std::string& strName, COutputFile& out,
                                       IRecoveryProgress* pProgress);
    // FAT: writes nSize bytes of the entry whose first cluster is nStartCluster;
    // bDeleted tells a deleted entry (data as freed) from a live one (data
    // along its chain). Base: writes nothing.
    virtual CRecoverResult RecoverFromCluster(const std::string& strSourcePath, COutputFile& out, int nDrive,
                                              uint64_t nStartCluster, uint64_t nSize, bool bDeleted,
                                              IRecoveryProgress* pProgress);
    // Walks the volume and appends an entry to m_pFound for every entry found.
    // Polls m_bStopScan and the sink's pause gate; always returns 0.
    virtual int ScanDrive(int nDrive, IScanProgress* pProgress) = 0;

    // Reference of the drive's top level: 5 on NTFS, 0 on FAT.
    virtual uint64_t GetRootRef() const = 0;

    // Readies the engine for another scan: a cleared stop flag and an empty array.
    void PrepareScan();
    // Hands the found entries to the caller (the tree builder); m_pFound is null afterwards.
    std::unique_ptr<CFoundArray> TakeFound() { return std::move(m_pFound); }

    // What the last scan could not read or decode, one line each for the user;
    // empty when it read the whole volume. Damage repeated across many records
    // is kept as one line with a count.
    const std::vector<std::string>& GetScanDamage() const { return m_scanDamage; }
    // Why the boot sector was not loaded, when a reason is known.
    const std::string& GetBootProblem() const { return m_strBootProblem; }

    std::atomic<bool> m_bStopScan{false};
    bool m_bBootLoaded = false;
    std::unique_ptr<CSectorReader> m_pReader;
    std::unique_ptr<CFoundArray> m_pFound;
    CFoundEntry* m_pCurrent = nullptr;
    int m_nDrive;

protected:
    // The scan's refusal when the boot sector was not loaded; true when refused.
    bool RefuseUnloadedScan(IScanProgress* pProgress) const;
    void NoteScanDamage(const std::string& strText);
    // Damage of one kind met nCount times ("12 MFT records ..."); replaces the
    // line of the same kind.
    void CountScanDamage(const std::string& strKind, uint64_t nCount);

    std::string m_strBootProblem;

private:
    std::vector<std::string> m_scanDamage;
};

// The engine for a file-system name exactly as the volume table reports it:
// "FAT32", "FAT" or "NTFS"; null for any other name. The engine reads the
// volume's boot sector at once.
std::unique_ptr<CFileSystem> CreateFileSystem(int nDrive, const std::string& strFileSystem);
// The same over a given reader (tests, fuzzers).
std::unique_ptr<CFileSystem> CreateFileSystem(int nDrive, const std::string& strFileSystem,
                                              std::unique_ptr<CSectorReader> pReader);
