// The scan commands and the hand-over of a built result tree to the views.

#include "app/RecoveryDlg.h"
#include "ui/ResultTreeModel.h"
#include "ui/TreeCtrlCh.h"

void CRecoveryDlg::OnScan() {}

void CRecoveryDlg::OnStopCommand() {}

void CRecoveryDlg::OnNewScan() {}

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
    // The scan's workers stop at their next poll of the engine's stop flag;
    // its progress dialogs are hidden by the scan when it sees the flag.
    if (m_bScanning)
        if (CFileSystem* pEngine = m_pFileSystem[static_cast<size_t>(m_nCurDrive.load())].get())
            pEngine->m_bStopScan = true;
    m_bTreePhase = true;
    m_bScanRunning = 0;
    m_bScanning = false;
}
