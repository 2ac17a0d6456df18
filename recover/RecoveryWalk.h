#pragma once
// Writes result items — a file, or a folder with everything below it — into a
// destination folder through the engine of their drive. Nothing is ever
// written outside that folder, no existing file is replaced, and a file that
// fails does not end the run: the report says what failed.

#include <cstdint>
#include <string>
#include <vector>

#include "fs/FileSystem.h"
#include "model/ResultTree.h"
#include "platform/NativeFiles.h"

struct CRecoveryFailure {
    std::string m_strSource;       // the item's address ("C:\Docs\a.txt")
    std::string m_strDestination;  // where it went, or was to go
    std::string m_strReason;
    bool m_bIncomplete = false;    // written, but with unreadable parts zeroed or cut short
};

struct CRecoveryReport {
    uint64_t m_nFilesWritten = 0;     // written in full
    uint64_t m_nFilesIncomplete = 0;  // written, with unreadable clusters zeroed or cancelled part-way
    uint64_t m_nFilesFailed = 0;      // could not be created or written
    uint64_t m_nFoldersCreated = 0;
    uint64_t m_nUnreadableClusters = 0;
    uint64_t m_nBytesWritten = 0;
    bool m_bCancelled = false;
    std::vector<CRecoveryFailure> m_failures;

    bool AllWritten() const { return m_nFilesIncomplete == 0 && m_nFilesFailed == 0 && !m_bCancelled; }
    // "Recovery Completed Successfully" only when every file was written in full.
    std::string EndText() const;
};

inline constexpr const char* MSG_RECOVERY_DONE = "Recovery Completed Successfully";
// The refusal of a destination on the scanned volume.
inline constexpr const char* MSG_SAME_DRIVE =
    "It's not recommended to save the files and folders on infected drives, select some other drive";

class CRecoveryWalk {
public:
    // strFileSystem is the drive's file-system name: "NTFS" recovers by MFT
    // record, anything else by first cluster. pProgress may be null.
    CRecoveryWalk(CFileSystem& engine, std::string strFileSystem, IRecoveryProgress* pProgress);
    ~CRecoveryWalk();
    CRecoveryWalk(const CRecoveryWalk&) = delete;
    CRecoveryWalk& operator=(const CRecoveryWalk&) = delete;

    // Opens the folder the items go into. False (and why) when it is not a
    // folder this process can write into.
    bool SetDestination(const std::string& strFolder, std::string* pError);
    // Writes one item below the destination: a file under its own name, a
    // folder as a new folder holding its whole subtree.
    void RecoverItem(const CResultItem& item);

    const CRecoveryReport& GetReport() const { return m_report; }

private:
    void RecoverFolderItem(const CResultItem& folder, const CNativeFolder& dir, const std::string& strDest,
                           const std::string& strSource, unsigned nDepth);
    void RecoverFileItem(const CResultItem& item, const CNativeFolder& dir, const std::string& strDest,
                         const std::string& strSource);
    void FailSubtree(const CResultItem& item, const std::string& strDest, const std::string& strReason);
    bool Cancelled();
    // Why the destination cannot hold the item's file; empty when it can.
    std::string SizeRefusal(const CTreeItemData& data) const;

    CFileSystem& m_engine;
    std::string m_strFileSystem;
    IRecoveryProgress* m_pProgress;
    CNativeFolder m_destination;
    std::string m_strDestination;
    uint64_t m_nMaxFileBytes = UINT64_MAX;  // what the destination's file system can hold
    CRecoveryReport m_report;
};
