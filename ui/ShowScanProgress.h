#pragma once
// "Scan in progress": the counters the engine reports, a moving bar and four
// lines of changing digits, Pause Scan and Stop Scan. A new one is made for
// every scan. The engine reports from the scan thread; the values reach the
// labels through queued calls, so the scan never waits for the window.

#include <QTimer>
#include <atomic>
#include <cstdint>
#include <string>

#include "fs/Progress.h"
#include "ui/DialogTemplate.h"
#include "ui/PauseGate.h"

class QLabel;
class QProgressBar;
class QPushButton;
class CRecoveryDlg;

class CShowScanProgress final : public CStayingDialog, public IScanProgress {
    Q_OBJECT
public:
    explicit CShowScanProgress(QWidget* pParent = nullptr);

    // The engine's reports (scan thread).
    void SetTotalClusters(uint64_t nTotal) override;
    void SetCurrentCluster(uint64_t nCurrent) override;
    void SetFoundCount(uint64_t nFound) override;
    void SetCurrentName(const std::string& strName) override;
    void ShowMessage(const std::string& strText, const std::string& strCaption) override;
    void WaitWhilePaused() override { m_gate.Wait(); }

    void HideProgress();
    // The moving parts hold still while the scan is paused or a stop is asked.
    void StartAnimation();
    void StopAnimation();

    // A sign place (" " or "-") and the digits of |n| in base 2; the most
    // negative value, whose magnitude has no 32-bit form, gives "-0".
    static std::string FormatBinary(int32_t n);
    // One animation line for a product: its binary form with the sign place
    // made "0", written twice.
    static QString AnimationLine(int32_t nProduct);

    void OnStopScan();
    void OnPauseScan();
    // One step of the bar and the digit lines (every 150 ms while it runs).
    void OnAnimationStep();

    // The animation's seed is read from here once, when the dialog starts.
    std::atomic<int32_t> m_nCurrentCluster{1};
    CRecoveryDlg* m_pMainDlg = nullptr;
    // Stop Scan was pressed and the question not yet declined.
    bool m_bStopRequested = false;
    bool m_bPaused = false;
    // Where the engine waits while paused or while the stop is being asked.
    CPauseGate m_gate;

    QLabel* m_staticTotal = nullptr;
    QLabel* m_staticCurrent = nullptr;
    QLabel* m_staticFound = nullptr;
    QLabel* m_staticName = nullptr;
    QLabel* m_staticLines[4] = {};
    QLabel* m_staticNotice = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_pauseButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    int m_nAnimPos = 0;

private:

    QTimer m_animTimer;
    int32_t m_nSeed = 0;
};
