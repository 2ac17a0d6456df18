#pragma once
// "Please Wait ...": how far tree building has come after a scan. Created
// hidden with every scan, shown while the tree is built, then hidden.

#include <cstdint>

#include "ui/DialogTemplate.h"

class QLabel;
class QProgressBar;
class CRecoveryDlg;

class CTreeProgress final : public CStayingDialog {
    Q_OBJECT
public:
    explicit CTreeProgress(QWidget* pParent = nullptr);

    // Shows done * 100 / total percent, never less than shown already, never
    // above 100, and nothing once the main window has begun closing. Always 0.
    int UpdateProgress(int64_t nDone, int64_t nTotal);
    void HideProgress() { hide(); }

    // Below 0 before the first update, so that even 0 % is shown.
    int m_nPercent = -1;
    CRecoveryDlg* m_pMainDlg = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_staticMessage = nullptr;
    QLabel* m_staticProgress = nullptr;
    QLabel* m_staticPercent = nullptr;
    QLabel* m_staticCopyright = nullptr;
};
