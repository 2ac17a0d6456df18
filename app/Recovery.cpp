// The Recover command: what is selected is written, with its folder
// structure, into a folder the user picks on another drive.
//
// The items are taken from the selection when Recover is pressed, before
// anything is written, so navigating during the run cannot change what it
// writes. The run goes through the core's recovery walk on a thread of its
// own; the dialog's Pause and Cancel act on it at its next cluster.

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <algorithm>

#include "app/RecoveryDlg.h"
#include "ui/FileListModel.h"
#include "ui/RecoveryProgress.h"

namespace {

// How long a finished run's window stays up when it is to close by itself.
constexpr int CLOSE_ON_COMPLETION_MS = 800;
// Failures named in the action line's tooltip; the rest are counted.
constexpr size_t MAX_LISTED_FAILURES = 20;

QString FailureList(const CRecoveryReport& report)
{
    QStringList lines;
    for (const CRecoveryFailure& failure : report.m_failures) {
        if (static_cast<size_t>(lines.size()) == MAX_LISTED_FAILURES) {
            lines << QStringLiteral("... and %1 more").arg(report.m_failures.size() - MAX_LISTED_FAILURES);
            break;
        }
        lines << QString::fromStdString((failure.m_bIncomplete ? "incomplete: " : "failed: ") + failure.m_strSource +
                                        " -> " + failure.m_strDestination + ": " + failure.m_strReason);
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

void CRecoveryDlg::OnRecover()
{
    if (m_bCanRecover != 1 || m_bRecovering || m_hRecoverThread.joinable()) return;
    m_bRecoveryActive = 1;
    // The dialog of an earlier run is left as it was.
    m_pRecoveryProgress = new CRecoveryProgress(this);
    m_pRecoveryProgress->m_pMainDlg = this;
    RecoverSelection();
}

void CRecoveryDlg::RecoverSelection()
{
    m_bRecovering = true;
    if (m_strFocusPane == QStringLiteral("List")) {
        m_pRecoveryProgress->SetAction(QStringLiteral("Recovering file ....."));
        if (m_list->selectionModel()->hasSelection()) RecoverListSelection();
    } else if (m_strFocusPane == QStringLiteral("Tree")) {
        RecoverTreeSelection();
    }
    // Cancelled, refused or nothing to write: the run is over before it began.
    if (!m_hRecoverThread.joinable()) {
        m_bRecoveryActive = 0;
        m_bRecovering = false;
    }
}

bool CRecoveryDlg::BrowseForFolder(QWidget* pOwner, QString* pPath)
{
    QFileDialog dialog(pOwner, QStringLiteral(" Please select a folder to extract "));
    dialog.setObjectName(QStringLiteral("browseForFolder"));
    dialog.setAccessibleName(dialog.windowTitle());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    *pPath = dialog.selectedFiles().constFirst();
    return !pPath->isEmpty();
}

void CRecoveryDlg::RecoverTreeSelection()
{
    CResultItem* pItem = GetSelectedTreeItem();
    if (!pItem || (!pItem->IsFolder() && !pItem->IsFile())) return;
    QString strFolder;
    if (!BrowseForFolder(this, &strFolder)) return;
    StartRecoveryRun({pItem}, strFolder, false, QString::fromLatin1(CAPTION_ERROR));
}

void CRecoveryDlg::RecoverListSelection()
{
    QString strFolder;
    if (!BrowseForFolder(this, &strFolder)) return;
    std::vector<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedIndexes()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<CResultItem*> items;
    for (int nRow : rows)
        if (CResultItem* pItem = m_pListModel->Item(nRow); pItem && (pItem->IsFolder() || pItem->IsFile()))
            items.push_back(pItem);
    if (items.empty()) return;
    StartRecoveryRun(std::move(items), strFolder, true,
                     QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
}

void CRecoveryDlg::StartRecoveryRun(std::vector<CResultItem*> items, const QString& strFolder, bool bListRun,
                                    const QString& strRefusalCaption)
{
    const CResultItem* pDrive = items.front()->GetDriveItem();
    int nDrive = GetDriveNumber(pDrive->GetText());
    CFileSystem* pEngine = m_pFileSystem[static_cast<size_t>(nDrive)].get();
    if (!pEngine) return;
    if (IsOnScannedVolume(strFolder.toStdString(), m_strDriveSource[static_cast<size_t>(nDrive)])) {
        MessageBox(QString::fromLatin1(MSG_SAME_DRIVE), strRefusalCaption);
        return;
    }
    auto pWalk = std::make_unique<CRecoveryWalk>(*pEngine, m_driveInfo[static_cast<size_t>(nDrive)].m_strFileSystem,
                                                 m_pRecoveryProgress);
    std::string strError;
    if (!pWalk->SetDestination(strFolder.toStdString(), &strError)) {
        MessageBox(QString::fromStdString(strError), QString::fromLatin1(CAPTION_ERROR), QMessageBox::Ok,
                   QMessageBox::Warning);
        return;
    }
    m_pRecoveryWalk = std::move(pWalk);
    m_nRecoverDrive = nDrive;
    m_pRecoveryProgress->show();
    m_hRecoverThread = std::thread([this, items = std::move(items), bListRun] {
        for (CResultItem* pItem : items) {
            if (bListRun)
                RecoverListItem(pItem);
            else
                m_pRecoveryWalk->RecoverItem(*pItem);
        }
        QMetaObject::invokeMethod(this, &CRecoveryDlg::OnRecoveryEnded, Qt::QueuedConnection);
    });
}

void CRecoveryDlg::RecoverListItem(CResultItem* pItem)
{
    // The address bar names the item being written (not recorded in the
    // history: the run's end, which clears m_bRecoveryActive, is queued after).
    QMetaObject::invokeMethod(
        this, [this, pItem] { ShowItemPath(pItem); }, Qt::QueuedConnection);
    m_pRecoveryWalk->RecoverItem(*pItem);
}

void CRecoveryDlg::OnRecoveryEnded()
{
    if (!m_hRecoverThread.joinable()) return;
    m_hRecoverThread.join();
    std::unique_ptr<CRecoveryWalk> pWalk = std::move(m_pRecoveryWalk);
    m_nRecoverDrive = -1;
    m_bRecoveryActive = 0;
    m_bRecovering = false;
    CRecoveryProgress* pDialog = m_pRecoveryProgress;
    const CRecoveryReport& report = pWalk->GetReport();
    pDialog->SetAction(QString::fromStdString(report.EndText()));
    pDialog->m_staticAction->setToolTip(FailureList(report));
    if (report.m_bCancelled || m_bClosing || m_bEndingWork) return pDialog->HideProgress();
    pDialog->ShowCloseButton();
    if (g_bCloseOnCompletion)
        QTimer::singleShot(CLOSE_ON_COMPLETION_MS, pDialog, &CRecoveryProgress::HideProgress);
}

void CRecoveryDlg::EndRecoveryWork()
{
    if (!m_hRecoverThread.joinable()) return;
    m_pRecoveryProgress->CancelRun();
    while (m_hRecoverThread.joinable()) PumpWhileWaiting();
}
