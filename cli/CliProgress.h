#pragma once
// Progress of the `varnel` command on stderr: a bar that rewrites one line
// when stderr is a terminal, nothing otherwise. Messages always go to stderr.

#include <chrono>
#include <string>

#include "fs/Progress.h"

class CCliScanProgress final : public IScanProgress {
public:
    CCliScanProgress();
    ~CCliScanProgress() override;
    void SetTotalClusters(uint64_t nTotal) override { m_nTotal = nTotal; }
    void SetCurrentCluster(uint64_t nCurrent) override;
    void SetFoundCount(uint64_t nFound) override { m_nFound = nFound; }
    void SetCurrentName(const std::string&) override {}
    void ShowMessage(const std::string& strText, const std::string& strCaption) override;
    void Finish();

private:
    bool m_bTerminal;
    bool m_bDrawn = false;
    uint64_t m_nTotal = 0, m_nFound = 0;
    std::chrono::steady_clock::time_point m_lastDraw{};
};

class CCliRecoveryProgress final : public IRecoveryProgress {
public:
    CCliRecoveryProgress();
    ~CCliRecoveryProgress() override;
    void SetFileInfo(const std::string& strName, const std::string& strSource, const std::string& strDest) override;
    void SetFileSizeKB(uint64_t) override {}
    void SetProgress(uint64_t nDone, uint64_t nTotal) override;
    void ResetProgress() override { m_nPercent = 0; }
    void Finish();

private:
    void Draw();
    bool m_bTerminal;
    bool m_bDrawn = false;
    std::string m_strName;
    uint64_t m_nPercent = 0;
    uint64_t m_nFiles = 0;
    std::chrono::steady_clock::time_point m_lastDraw{};
};
