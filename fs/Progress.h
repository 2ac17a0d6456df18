#pragma once
// What the engines report while they scan and recover. The GUI's progress
// dialogs and the CLI's progress bar implement these; engines never see a widget.

#include <cstdint>
#include <string>

class IScanProgress {
public:
    virtual ~IScanProgress() = default;
    virtual void SetTotalClusters(uint64_t nTotal) = 0;
    virtual void SetCurrentCluster(uint64_t nCurrent) = 0;
    virtual void SetFoundCount(uint64_t nFound) = 0;
    virtual void SetCurrentName(const std::string& strName) = 0;
    // A message the user must see (the engines' message boxes).
    virtual void ShowMessage(const std::string& strText, const std::string& strCaption) = 0;
    // The pause gate: returns at once unless the user has paused the scan, and
    // then only when it is resumed (or stopped). Engines call it where they poll
    // their stop flag.
    virtual void WaitWhilePaused() {}
};

class IRecoveryProgress {
public:
    virtual ~IRecoveryProgress() = default;
    // The file about to be written: its name, its path in the results, its output path.
    virtual void SetFileInfo(const std::string& /*strName*/, const std::string& /*strSource*/,
                             const std::string& /*strDestination*/) {}
    virtual void SetFileSizeKB(uint64_t nKB) = 0;
    // Moves the bar forward to nDone * 100 / nTotal percent.
    virtual void SetProgress(uint64_t nDone, uint64_t nTotal) = 0;
    // Starts the bar again from 0 for the next file.
    virtual void ResetProgress() {}
    // Pause gate and cancel flag, polled between clusters.
    virtual void WaitWhilePaused() {}
    virtual bool IsCancelled() const { return false; }
};

// Sinks that report nothing, for tests and for callers that need no progress.
class CNullScanProgress : public IScanProgress {
public:
    void SetTotalClusters(uint64_t) override {}
    void SetCurrentCluster(uint64_t) override {}
    void SetFoundCount(uint64_t) override {}
    void SetCurrentName(const std::string&) override {}
    void ShowMessage(const std::string& strText, const std::string&) override { m_strLastMessage = strText; }
    std::string m_strLastMessage;
};

class CNullRecoveryProgress : public IRecoveryProgress {
public:
    void SetFileSizeKB(uint64_t) override {}
    void SetProgress(uint64_t, uint64_t) override {}
};
