#include "ui/ShowScanProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/RecoveryDlg.h"
#include "ui/DialogBackground.h"
#include "ui/DialogTemplate.h"

namespace {

constexpr int ANIMATION_MS = 150;
constexpr int32_t LINE_MULTIPLIERS[4] = {1800, 2000, 1600, 2010};

// Signed 32-bit product that wraps instead of overflowing.
int32_t WrappingProduct(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace

CShowScanProgress::CShowScanProgress(QWidget* pParent) : CStayingDialog(pParent)
{
    setWindowTitle(QStringLiteral("Scan in progress"));
    setAccessibleName(windowTitle());
    setObjectName(QStringLiteral("scanProgress"));
    CDialogTemplate t(this, 235, 150);
    SetDialogBackground(this);
    t.Frame(3, 3, 228, 50);
    t.Frame(3, 54, 228, 48);
    for (int i = 0; i < 4; ++i) {
        m_staticLines[i] = t.Label({}, 8, 11 + 9 * i, 220, 8, QStringLiteral("Animation line %1").arg(i + 1));
        m_staticLines[i]->setTextFormat(Qt::PlainText);
    }
    t.Label(QStringLiteral("Total Cluster"), 8, 63, 70, 8);
    t.Label(QStringLiteral("Current Cluster"), 8, 72, 70, 8);
    t.Label(QStringLiteral("Files/Folders Found"), 8, 81, 70, 8);
    t.Label(QStringLiteral("Current Files/Folders "), 8, 90, 70, 8);
    m_staticTotal = t.Label({}, 80, 63, 145, 8, QStringLiteral("Total Cluster value"));
    m_staticCurrent = t.Label({}, 80, 72, 145, 8, QStringLiteral("Current Cluster value"));
    m_staticFound = t.Label({}, 80, 81, 145, 8, QStringLiteral("Files/Folders Found value"));
    m_staticName = t.Label({}, 80, 90, 145, 8, QStringLiteral("Current Files/Folders value"));
    m_staticName->setTextFormat(Qt::PlainText);
    m_progress = t.Place(new QProgressBar, 3, 105, 228, 11);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(QStringLiteral("Scan activity"));
    m_pauseButton = t.Button(QStringLiteral("Pause Scan"), 62, 120, 50, 14);
    m_pauseButton->setObjectName(QStringLiteral("pauseScan"));
    m_stopButton = t.Button(QStringLiteral("Stop Scan"), 114, 120, 50, 14);
    m_stopButton->setObjectName(QStringLiteral("stopScan"));
    m_staticNotice = t.Label(QStringLiteral("Nothing is written to this drive."), 81, 139, 150, 8);
    connect(m_pauseButton, &QPushButton::clicked, this, &CShowScanProgress::OnPauseScan);
    connect(m_stopButton, &QPushButton::clicked, this, &CShowScanProgress::OnStopScan);

    m_animTimer.setInterval(ANIMATION_MS);
    connect(&m_animTimer, &QTimer::timeout, this, &CShowScanProgress::OnAnimationStep);
    m_nSeed = m_nCurrentCluster.load();
    m_nAnimPos = 0;
    StartAnimation();
}

void CShowScanProgress::SetTotalClusters(uint64_t nTotal) { PostLabelText(m_staticTotal, QString::number(nTotal)); }

void CShowScanProgress::SetCurrentCluster(uint64_t nCurrent)
{
    m_nCurrentCluster = static_cast<int32_t>(nCurrent);
    PostLabelText(m_staticCurrent, QString::number(nCurrent));
}

void CShowScanProgress::SetFoundCount(uint64_t nFound) { PostLabelText(m_staticFound, QString::number(nFound)); }

void CShowScanProgress::SetCurrentName(const std::string& strName)
{
    PostLabelText(m_staticName, QString::fromStdString(strName));
}

void CShowScanProgress::ShowMessage(const std::string& strText, const std::string& strCaption)
{
    // The engine waits for the answer, as it would for a message box of its own.
    CRecoveryDlg* pMain = m_pMainDlg;
    if (!pMain || pMain->m_bClosing) return;
    QMetaObject::invokeMethod(
        pMain,
        [pMain, strText, strCaption] {
            if (!pMain->m_bClosing)
                pMain->MessageBox(QString::fromStdString(strText), QString::fromStdString(strCaption));
        },
        Qt::BlockingQueuedConnection);
}

void CShowScanProgress::HideProgress() { hide(); }

void CShowScanProgress::StartAnimation() { m_animTimer.start(); }

void CShowScanProgress::StopAnimation() { m_animTimer.stop(); }

std::string CShowScanProgress::FormatBinary(int32_t n)
{
    std::string strText(1, n < 0 ? '-' : ' ');
    uint32_t nMagnitude = n == INT32_MIN ? 0 : static_cast<uint32_t>(n < 0 ? -n : n);
    std::string strDigits;
    do {
        strDigits.insert(strDigits.begin(), static_cast<char>('0' + (nMagnitude & 1)));
        nMagnitude >>= 1;
    } while (nMagnitude);
    return strText + strDigits;
}

QString CShowScanProgress::AnimationLine(int32_t nProduct)
{
    std::string strDigits = FormatBinary(nProduct);
    strDigits[0] = '0';
    return QString::fromLatin1(strDigits + strDigits);
}

void CShowScanProgress::OnAnimationStep()
{
    m_nAnimPos = m_nAnimPos <= 100 ? m_nAnimPos + 25 : 0;
    m_progress->setValue(std::min(m_nAnimPos, 100));
    for (int i = 0; i < 4; ++i) m_staticLines[i]->setText(AnimationLine(WrappingProduct(m_nSeed, LINE_MULTIPLIERS[i])));
    m_nSeed = WrappingProduct(m_nSeed, 9999);
}

void CShowScanProgress::OnStopScan()
{
    if (m_bStopRequested) return;
    m_bStopRequested = true;
    if (m_pMainDlg) {
        m_pMainDlg->StartStopThread();
        m_pMainDlg->activateWindow();
    }
}

void CShowScanProgress::OnPauseScan()
{
    m_bPaused = !m_bPaused;
    if (m_bPaused) {
        m_gate.Hold();
        StopAnimation();
        m_pauseButton->setText(QStringLiteral("Resume"));
    } else {
        m_gate.Release();
        StartAnimation();
        m_pauseButton->setText(QStringLiteral("Pause"));
    }
    m_pauseButton->setAccessibleName(m_pauseButton->text());
}
