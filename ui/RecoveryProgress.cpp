#include "ui/RecoveryProgress.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/RecoveryDlg.h"
#include "ui/DialogBackground.h"
#include "ui/DialogTemplate.h"

bool g_bCloseOnCompletion = false;

CRecoveryProgress::CRecoveryProgress(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("Recover File Progress ..."));
    setAccessibleName(windowTitle());
    setObjectName(QStringLiteral("recoveryProgress"));
    CDialogTemplate t(this, 302, 134);
    SetDialogBackground(this);
    t.Frame(3, 0, 296, 57);
    t.Label(QStringLiteral("Current File Information:"), 7, 6, 75, 8);
    t.Frame(8, 14, 76, 1);
    t.Label(QStringLiteral("File Name:"), 9, 18, 34, 8);
    m_staticFileName = t.Label({}, 68, 19, 199, 8, QStringLiteral("File Name value"));
    t.Label(QStringLiteral("File Size:"), 9, 27, 29, 8);
    m_staticFileSize = t.Label({}, 68, 27, 197, 8, QStringLiteral("File Size value"));
    t.Label(QStringLiteral("Source Path:"), 9, 36, 42, 8);
    m_staticSourcePath = t.Label({}, 68, 36, 229, 17, QStringLiteral("Source Path value"));
    t.Frame(3, 55, 296, 52);
    t.Label(QStringLiteral("File Transfer Information:"), 8, 61, 78, 8);
    t.Frame(8, 69, 78, 1);
    t.Label(QStringLiteral("Destination Path:"), 11, 74, 55, 8);
    m_staticDestPath = t.Label({}, 68, 74, 225, 16, QStringLiteral("Destination Path value"));
    t.Label(QStringLiteral("Progress:"), 11, 93, 30, 8);
    m_progress = t.Place(new QProgressBar, 68, 93, 184, 10);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    // Never shown: no numeric percentage is given.
    t.Label(QStringLiteral("0"), 255, 94, 13, 8)->hide();
    t.Label(QStringLiteral("%"), 270, 94, 8, 8)->hide();
    t.Label(QStringLiteral("Current Action:"), 7, 109, 48, 8);
    m_staticAction = t.Label({}, 63, 109, 144, 8, QStringLiteral("Current Action value"));
    for (QLabel* pLabel : {m_staticFileName, m_staticSourcePath, m_staticDestPath, m_staticAction})
        pLabel->setTextFormat(Qt::PlainText);
    for (QLabel* pLabel : {m_staticSourcePath, m_staticDestPath}) {
        pLabel->setWordWrap(true);
        pLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    const QString strCloseText = QStringLiteral("Close this Dialog box on completion of recovery");
    m_checkClose = t.Place(new QCheckBox, 8, 121, 8, 8);
    m_checkClose->setObjectName(QStringLiteral("closeOnCompletion"));
    m_checkClose->setAccessibleName(strCloseText);
    m_checkClose->setFixedSize(m_checkClose->sizeHint());
    QLabel* pCloseCaption = t.Label(strCloseText, 18, 121, 153, 8);
    pCloseCaption->setBuddy(m_checkClose);
    m_pauseButton = t.Button(QStringLiteral("Pause"), 198, 116, 50, 14);
    m_pauseButton->setObjectName(QStringLiteral("pauseRecovery"));
    m_cancelButton = t.Button(QStringLiteral("Cancel"), 249, 116, 50, 14);
    m_cancelButton->setObjectName(QStringLiteral("cancelRecovery"));

    m_checkClose->setChecked(g_bCloseOnCompletion);
    connect(m_checkClose, &QCheckBox::clicked, this, &CRecoveryProgress::OnCloseOnCompletion);
    connect(m_pauseButton, &QPushButton::clicked, this, &CRecoveryProgress::OnPauseRecovery);
    connect(m_cancelButton, &QPushButton::clicked, this, &CRecoveryProgress::OnCancelRecovery);
}

void CRecoveryProgress::PostBar(int nPercent)
{
    QProgressBar* pBar = m_progress;
    QMetaObject::invokeMethod(pBar, [pBar, nPercent] { pBar->setValue(nPercent); }, Qt::QueuedConnection);
}

void CRecoveryProgress::SetFileInfo(const std::string& strName, const std::string& strSource,
                                    const std::string& strDest)
{
    PostLabelText(m_staticSourcePath, QString::fromStdString(strSource));
    PostLabelText(m_staticDestPath, QString::fromStdString(strDest));
    PostLabelText(m_staticFileName, QString::fromStdString(strName));
    // Every file's bar starts from nothing, whichever engine writes it.
    ResetProgress();
}

void CRecoveryProgress::SetFileSizeKB(uint64_t nKB)
{
    PostLabelText(m_staticFileSize, QString::number(nKB) + QStringLiteral(" KB"));
}

void CRecoveryProgress::SetProgress(uint64_t nDone, uint64_t nTotal)
{
    if (nTotal == 0 || nDone > nTotal) return;
    // Done * 100 would wrap only beyond 2^64 / 100; such totals are divided first.
    uint64_t nPercent = nDone > UINT64_MAX / 100 ? nDone / (nTotal / 100) : nDone * 100 / nTotal;
    if (static_cast<int>(nPercent) <= m_nLastPercent) return;
    m_nLastPercent = static_cast<int>(nPercent);
    PostBar(static_cast<int>(nPercent));
}

void CRecoveryProgress::ResetProgress()
{
    m_nLastPercent = 0;
    PostBar(0);
}

void CRecoveryProgress::SetAction(const QString& strText) { m_staticAction->setText(strText); }

void CRecoveryProgress::ShowCloseButton()
{
    m_cancelButton->setText(QStringLiteral("Close"));
    m_cancelButton->setAccessibleName(m_cancelButton->text());
}

void CRecoveryProgress::CancelRun()
{
    m_bCancelled = true;
    m_gate.OpenForGood();
}

void CRecoveryProgress::OnCloseOnCompletion() { g_bCloseOnCompletion = m_checkClose->isChecked(); }

void CRecoveryProgress::OnPauseRecovery()
{
    bool bRunning = m_cancelButton->text() == QStringLiteral("Cancel");
    if (!m_bPaused && bRunning) {
        m_bPaused = true;
        m_gate.Hold();
        m_pauseButton->setText(QStringLiteral("Resume"));
    } else {
        if (m_bPaused) m_gate.Release();
        m_bPaused = false;
        m_pauseButton->setText(QStringLiteral("Pause"));
    }
    m_pauseButton->setAccessibleName(m_pauseButton->text());
}

void CRecoveryProgress::OnCancelRecovery()
{
    if (m_cancelButton->text() == QStringLiteral("Close")) return reject();
    // The run waits at its next cluster while the question is open.
    m_gate.Hold();
    bool bYes = m_pMainDlg &&
                m_pMainDlg->MessageBox(QString::fromLatin1(MSG_CONFIRM_STOP_RECOVERY),
                                       QString::fromLatin1(CAPTION_CONFIRM_STOP_RECOVERY),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Question) == QMessageBox::Yes;
    // The run may have ended while it was asked; then there is nothing to stop.
    if (bYes && m_cancelButton->text() == QStringLiteral("Cancel")) {
        CancelRun();
        m_pMainDlg->m_bRecovering = false;
        m_pMainDlg->m_bRecoveryActive = 0;
        reject();
    }
    m_gate.Release();
}

void CRecoveryProgress::keyPressEvent(QKeyEvent* pEvent)
{
    // Escape and Enter only take the window away; the run goes on.
    switch (pEvent->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pEvent->accept();
        hide();
        return;
    default:
        QDialog::keyPressEvent(pEvent);
    }
}
