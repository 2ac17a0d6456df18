// The scan commands: the pre-scan check, the scan thread, the stop question,
// tree building on a worker of its own, and New Scan.
//
// Workers never touch widgets and are never suspended or ended from outside:
// the engine holds still at the progress dialog's pause gate and returns at
// its next poll of its stop flag. Each worker ends by queueing its hand-over
// to the window's thread, which joins it there.

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <chrono>

#include "app/RecoveryDlg.h"
#include "model/EditionProfile.h"
#include "model/ScanCheck.h"
#include "ui/FileListModel.h"
#include "ui/RecoveryProgress.h"
#include "ui/ResultTreeModel.h"
#include "ui/ShowScanProgress.h"
#include "ui/TreeCtrlCh.h"
#include "ui/TreeProgress.h"

namespace {

// How often the tree-building dialog is brought up to date.
constexpr int TREE_POLL_MS = 50;

}  // namespace

void CRecoveryDlg::SetHelpTip(const char* pszText)
{
    m_helpTip->setText(QString::fromLatin1(pszText));
    m_helpTip->setAccessibleName(m_helpTip->text());
    m_helpTip->repaint();
}

void CRecoveryDlg::CheckDriveBeforeScan()
{
    m_bScanAllowed = 0;
    CResultItem* pItem = GetSelectedTreeItem();
    if (!pItem || !pItem->IsDrive()) return;
    int nDrive = GetDriveNumber(pItem->GetText());
    const CFileSystem* pEngine = m_pFileSystem[static_cast<size_t>(nDrive)].get();
    if (pEngine && !pEngine->m_bBootLoaded) {
        MessageBox(QString::fromLatin1(MSG_DRIVE_UNREADABLE), QString::fromLatin1(CAPTION_ERROR));
        return;
    }
    if (pItem->HasChildren()) return;
    CScanRefusal refusal;
    const std::string& strFileSystem = m_driveInfo[static_cast<size_t>(nDrive)].m_strFileSystem;
    if (::CheckDriveBeforeScan(pEngine, strFileSystem, &refusal) != EScanVerdict::Allowed) {
        MessageBox(QString::fromStdString(refusal.m_strText), QString::fromStdString(refusal.m_strCaption),
                   QMessageBox::Ok, QMessageBox::Critical);
        return;
    }
    m_bScanAllowed = 1;
}

bool CRecoveryDlg::IsWorking() const
{
    return m_hScanThread.joinable() || m_hTreeThread.joinable() || m_hRecoverThread.joinable();
}

void CRecoveryDlg::OnScan()
{
    CheckDriveBeforeScan();
    // A stopped scan still building its tree has m_bScanning false already.
    if (m_bScanAllowed != 1 || m_bScanning || m_bRecovering || IsWorking()) return;
    CResultItem* pItem = GetSelectedTreeItem();
    if (!pItem || pItem->IsRoot() || pItem->HasChildren()) return;
    int nDrive = GetDriveNumber(pItem->GetText());
    CFileSystem* pEngine = m_pFileSystem[static_cast<size_t>(nDrive)].get();

    // The previous scan's pair is of no further use.
    if (m_pScanProgress) m_pScanProgress->deleteLater();
    if (m_pTreeProgress) m_pTreeProgress->deleteLater();
    m_pScanProgress = new CShowScanProgress(this);
    m_pScanProgress->m_pMainDlg = this;
    m_pScanProgress->show();
    m_pTreeProgress = new CTreeProgress(this);
    m_pTreeProgress->m_pMainDlg = this;
    m_bScanRunning = 1;
    m_bScanAllowed = 0;

    // What the scan works on is fixed here, before the thread starts: the
    // selection may move while it runs.
    m_bScanning = true;
    m_bTreePhase = false;
    m_bTreeDone = false;
    m_bScanStopped = false;
    m_hScanItem = pItem;
    m_nCurDrive = nDrive;
    SetHelpTip(HELP_TIP_STOP_SCAN);
    // A cleared stop flag and a fresh array, whatever an earlier scan left.
    pEngine->PrepareScan();
    m_hScanThread = std::thread(&CRecoveryDlg::RunScan, this, pEngine);
}

void CRecoveryDlg::RunScan(CFileSystem* pEngine)
{
    pEngine->ScanDrive(pEngine->m_nDrive, m_pScanProgress);
    QMetaObject::invokeMethod(this, &CRecoveryDlg::OnScanReturned, Qt::QueuedConnection);
}

void CRecoveryDlg::OnScanReturned()
{
    if (!m_hScanThread.joinable()) return;
    m_hScanThread.join();
    m_pScanProgress->StopAnimation();
    m_pScanProgress->HideProgress();
    CFileSystem* pEngine = m_pFileSystem[static_cast<size_t>(m_nCurDrive.load())].get();
    // The drive went away, or the window is closing: nothing to build.
    if (m_bClosing || m_bEndingWork || !m_hScanItem || !pEngine) {
        if (pEngine) pEngine->TakeFound();
        EndScan();
        return;
    }
    m_bTreePhase = true;
    StartTreeBuild(pEngine);
}

void CRecoveryDlg::StartTreeBuild(CFileSystem* pEngine)
{
    m_pTreeProgress->show();
    m_pTreeProgress->raise();
    m_bScanRunning = 0;
    m_bTreeDone = false;

    std::unique_ptr<CFoundArray> pFound = pEngine->TakeFound();
    if (!pFound) pFound = std::make_unique<CFoundArray>();
    m_pBuiltTree = std::make_unique<CResultItem>(m_hScanItem->GetText(), IMAGE_DRIVE);
    // Counters of the previous build must not show as this one's progress.
    m_treeBuilder.m_nItemsPlaced = 0;
    m_treeBuilder.m_nEntryCount = pFound->size();
    if (!m_pTreePoller) {
        m_pTreePoller = new QTimer(this);
        m_pTreePoller->setInterval(TREE_POLL_MS);
        connect(m_pTreePoller, &QTimer::timeout, this, &CRecoveryDlg::TreeProgressThread);
    }
    m_pTreePoller->start();
    TreeProgressThread();

    uint64_t nRootRef = pEngine->GetRootRef();
    CResultItem* pBuilt = m_pBuiltTree.get();
    m_hTreeThread = std::thread([this, pFound = std::move(pFound), nRootRef, pBuilt]() mutable {
        m_treeBuilder.Build(*pFound, nRootRef, pBuilt, g_bFormattedMode);
        // What placement left over goes here, off the window's thread.
        pFound.reset();
        QMetaObject::invokeMethod(this, &CRecoveryDlg::OnTreeBuilt, Qt::QueuedConnection);
    });
}

void CRecoveryDlg::TreeProgressThread()
{
    if (m_bTreeDone || !m_pTreeProgress) return;
    m_pTreeProgress->UpdateProgress(static_cast<int64_t>(m_treeBuilder.m_nItemsPlaced.load()),
                                    static_cast<int64_t>(m_treeBuilder.m_nEntryCount.load()));
}

void CRecoveryDlg::OnTreeBuilt()
{
    if (!m_hTreeThread.joinable()) return;
    m_hTreeThread.join();
    m_pTreePoller->stop();
    m_bTreeDone = true;
    m_pTreeProgress->UpdateProgress(100, 100);
    m_pTreeProgress->HideProgress();
    m_nFolderCount = m_treeBuilder.m_nFolderCount;
    m_nFileCount = m_treeBuilder.m_nFileCount;
    std::unique_ptr<CResultItem> pBuilt = std::move(m_pBuiltTree);
    if (m_bClosing || m_bEndingWork || !m_hScanItem) return EndScan();

    MessageBox(QStringLiteral("Total Number of Folder(s) Found: %1    Total Number of File(s) Found: %2")
                   .arg(m_nFolderCount)
                   .arg(m_nFileCount),
               ProductTitleText());
    if (!pBuilt->HasChildren()) MessageBox(QString::fromLatin1(MSG_NO_DATA), ProductTitleText());
    // The drive may have gone while the messages were up.
    if (m_hScanItem) AdoptScanResult(m_hScanItem, *pBuilt);
    SetHelpTip(HELP_TIP_RECOVER);
    EndScan();
}

void CRecoveryDlg::EndScan()
{
    m_bTreeDone = false;
    m_bScanStopped = false;
    m_bTreePhase = false;
    m_bScanning = false;
    m_bScanRunning = 0;
    if (m_pScanProgress) m_pScanProgress->HideProgress();
    if (m_pTreeProgress) m_pTreeProgress->HideProgress();
}

void CRecoveryDlg::OnTreeDblClk()
{
    CResultItem* pItem = GetSelectedTreeItem();
    bool bScannable = pItem && pItem->IsDrive() && !pItem->HasChildren() && !m_bTreeDone && !m_bScanStopped &&
                      !m_bRecovering && !m_bScanning;
    if (bScannable &&
        MessageBox(QString::fromLatin1(MSG_CONFIRM_SCAN), QString::fromLatin1(CAPTION_CONFIRM_SCAN),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Question) == QMessageBox::Yes)
        OnScan();
    m_tree->viewport()->update();
}

void CRecoveryDlg::OnStopCommand()
{
    if (m_bScanRunning == 1) StartStopThread();
}

void CRecoveryDlg::StartStopThread()
{
    // The question is a modal box of the window's thread; it opens once the
    // command or button that asked for it has returned.
    QTimer::singleShot(0, this, &CRecoveryDlg::StopScan);
}

void CRecoveryDlg::StopScan()
{
    CShowScanProgress* pDialog = m_pScanProgress;
    // One question at a time, however it was asked for.
    if (m_bStopAsked) return;
    if (m_bScanRunning != 1 || !pDialog || m_bClosing || m_bEndingWork) {
        if (pDialog) pDialog->m_bStopRequested = false;
        return;
    }
    m_bStopAsked = true;
    pDialog->m_bStopRequested = true;
    pDialog->m_gate.Hold();
    pDialog->StopAnimation();
    bool bYes = MessageBox(QString::fromLatin1(MSG_CONFIRM_STOP_SCAN), QString::fromLatin1(CAPTION_CONFIRM_STOP_SCAN),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::Question) == QMessageBox::Yes;
    // While the question was open the engine may have returned and the tree
    // phase begun (or ended): then the scan's own course goes on.
    bool bStop = bYes && !m_bTreePhase && !m_bTreeDone && m_bScanRunning == 1 && !m_bClosing &&
                 m_hScanThread.joinable() && pDialog == m_pScanProgress;
    if (bStop) {
        m_bScanning = false;
        m_bScanStopped = true;
        m_bScanRunning = 0;
        if (CFileSystem* pEngine = m_pFileSystem[static_cast<size_t>(m_nCurDrive.load())].get())
            pEngine->m_bStopScan = true;
        pDialog->m_gate.OpenForGood();
        pDialog->HideProgress();
    } else if (!pDialog->m_bPaused && pDialog->isVisible()) {
        pDialog->StartAnimation();
    }
    pDialog->m_gate.Release();
    pDialog->m_bStopRequested = false;
    m_bStopAsked = false;
}

void CRecoveryDlg::OnNewScan()
{
    if (MessageBox(QString::fromLatin1(MSG_CONFIRM_NEW_SCAN), QString::fromLatin1(CAPTION_NEW_SCAN),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Question) != QMessageBox::Yes)
        return;
    EndAllWork();
    EndScan();
    m_pListModel->Clear();
    ListDrives();
    m_hCurrentItem = m_resultTree.GetRoot();
    SetHelpTip(HELP_TIP_SELECT_DRIVE);
}

void CRecoveryDlg::AdoptScanResult(CResultItem* pDriveItem, CResultItem& built)
{
    if (!pDriveItem) return;
    // The tree is built apart from the view and joins it in one insertion,
    // however many items it holds.
    m_pTreeModel->AdoptChildren(pDriveItem, built);
    m_tree->expand(m_pTreeModel->IndexOf(pDriveItem));
    FillList(pDriveItem);
}

void CRecoveryDlg::EndDriveWork()
{
    // The scan stops at its next poll of the engine's stop flag, paused or
    // not; with m_hScanItem gone its entries are dropped, not built.
    if (m_hScanThread.joinable()) {
        if (CFileSystem* pEngine = m_pFileSystem[static_cast<size_t>(m_nCurDrive.load())].get())
            pEngine->m_bStopScan = true;
        if (m_pScanProgress) m_pScanProgress->m_gate.OpenForGood();
    }
    m_bTreePhase = true;
    m_bScanRunning = 0;
    m_bScanning = false;
}

void CRecoveryDlg::EndAllWork()
{
    m_bEndingWork = true;
    if (m_hScanThread.joinable()) {
        if (CFileSystem* pEngine = m_pFileSystem[static_cast<size_t>(m_nCurDrive.load())].get())
            pEngine->m_bStopScan = true;
        if (m_pScanProgress) m_pScanProgress->m_gate.OpenForGood();
    }
    if (m_hRecoverThread.joinable()) m_pRecoveryProgress->CancelRun();
    while (IsWorking()) PumpWhileWaiting();
    if (m_pRecoveryProgress) m_pRecoveryProgress->HideProgress();
    m_bEndingWork = false;
}

void CRecoveryDlg::PumpWhileWaiting()
{
    // Each worker's last act is a queued hand-over that joins it.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}
