#include "ui/TreeProgress.h"

#include <QLabel>
#include <QProgressBar>

#include "app/RecoveryDlg.h"
#include "ui/DialogBackground.h"
#include "ui/DialogTemplate.h"

CTreeProgress::CTreeProgress(QWidget* pParent) : CStayingDialog(pParent)
{
    setWindowTitle(QStringLiteral("Please Wait ..."));
    setAccessibleName(windowTitle());
    setObjectName(QStringLiteral("treeProgress"));
    CDialogTemplate t(this, 268, 81);
    SetDialogBackground(this);
    m_staticMessage = t.Label(
        QStringLiteral("Please wait while application is creating directory tree it may take some time"), 14, 19, 239, 8);
    t.Frame(13, 33, 242, 1);
    m_staticProgress = t.Label(QStringLiteral("Progress"), 8, 48, 28, 8);
    m_progress = t.Place(new QProgressBar, 39, 47, 196, 12);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_staticPercent = t.Label({}, 240, 48, 26, 8, QStringLiteral("Percent done"));
    m_staticCopyright = t.Label(QStringLiteral("Copyright \u00A9 2026 Varnel Software"), 106, 70, 157, 8);
}

int CTreeProgress::UpdateProgress(int64_t nDone, int64_t nTotal)
{
    if (nTotal == 0) return 0;
    int64_t nPercent = nDone * 100 / nTotal;
    bool bClosing = m_pMainDlg && m_pMainDlg->m_bClosing;
    if (nPercent > m_nPercent && !bClosing && nPercent <= 100) {
        m_nPercent = static_cast<int>(nPercent);
        m_staticPercent->setText(QString::number(m_nPercent) + QStringLiteral(" %"));
        m_progress->setValue(m_nPercent);
    }
    return 0;
}
