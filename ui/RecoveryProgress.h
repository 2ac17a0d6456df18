#pragma once
// "Recover File Progress ...": the file being written (name, size, where it
// comes from and where it goes), its progress, the current action, Pause and
// Cancel, and whether to close the window when the run is over. A new one is
// made for every Recover command. The engines report from the recovery
// thread; the values reach the controls through queued calls.

#include <QDialog>
#include <atomic>
#include <cstdint>
#include <string>

#include "fs/Progress.h"
#include "ui/PauseGate.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class CRecoveryDlg;

// The close-on-completion choice, kept from one run's window to the next.
extern bool g_bCloseOnCompletion;

inline constexpr const char* MSG_CONFIRM_STOP_RECOVERY =
    "Are you sure, you want to stop recovery?\nNote: By stopping recovery file will not recovered";
inline constexpr const char* CAPTION_CONFIRM_STOP_RECOVERY = "Please Confirm Stop Recovery";

class CRecoveryProgress final : public QDialog, public IRecoveryProgress {
    Q_OBJECT
public:
    explicit CRecoveryProgress(QWidget* pParent = nullptr);

    // The engines' and the walk's reports (recovery thread).
    void SetFileInfo(const std::string& strName, const std::string& strSource, const std::string& strDest) override;
    void SetFileSizeKB(uint64_t nKB) override;
    // Moves the bar forward to nDone * 100 / nTotal percent; never back
    // within a file, never past 100.
    void SetProgress(uint64_t nDone, uint64_t nTotal) override;
    void ResetProgress() override;
    void WaitWhilePaused() override { m_gate.Wait(); }
    bool IsCancelled() const override { return m_bCancelled; }

    // The current action line (window's thread).
    void SetAction(const QString& strText);
    void ShowCloseButton();
    void HideProgress() { hide(); }
    // Lets the run go past its pause gate and end at its next cluster.
    void CancelRun();

    void OnCloseOnCompletion();
    void OnPauseRecovery();
    void OnCancelRecovery();

    std::atomic<int> m_nLastPercent{0};
    CRecoveryDlg* m_pMainDlg = nullptr;
    bool m_bPaused = false;
    std::atomic<bool> m_bCancelled{false};
    CPauseGate m_gate;

    QLabel* m_staticFileName = nullptr;
    QLabel* m_staticFileSize = nullptr;
    QLabel* m_staticSourcePath = nullptr;
    QLabel* m_staticDestPath = nullptr;
    QLabel* m_staticAction = nullptr;
    QProgressBar* m_progress = nullptr;
    QCheckBox* m_checkClose = nullptr;
    QPushButton* m_pauseButton = nullptr;
    QPushButton* m_cancelButton = nullptr;

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    void PostBar(int nPercent);
};
