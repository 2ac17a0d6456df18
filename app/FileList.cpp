// The file list: the children of the current item, its clicks and its views.

#include <QItemSelectionModel>
#include <QStackedWidget>

#include "app/RecoveryDlg.h"
#include "ui/DeletedFilter.h"
#include "ui/FileListModel.h"
#include "ui/TreeCtrlCh.h"

void CRecoveryDlg::FillList(CResultItem* pItem)
{
    if (!pItem || pItem->IsRoot()) return;
    if (pItem->HasChildren())
        m_pListModel->ShowChildren(pItem);
    else if (pItem->IsFolder())
        m_pListModel->Clear();
    // A file, or a drive not scanned: the list keeps what it shows.
}

CResultItem* CRecoveryDlg::FindChildItem(CResultItem* pParent, const QString& strText) const
{
    if (!pParent) return nullptr;
    const std::string strWanted = strText.toStdString();
    for (size_t i = 0; i < pParent->GetChildCount(); ++i)
        if (pParent->GetChild(i)->GetText() == strWanted) return pParent->GetChild(i);
    return pParent;
}

CResultItem* CRecoveryDlg::FindInCurrentFolder(const QString& strName)
{
    CResultItem* pRemembered = m_hCurrentItem;
    if (!m_hCurrentItem) return nullptr;
    if (m_hCurrentItem->IsFile()) m_hCurrentItem = m_hCurrentItem->GetParent();
    const std::string strWanted = strName.toStdString();
    for (size_t i = 0; i < m_hCurrentItem->GetChildCount(); ++i)
        if (m_hCurrentItem->GetChild(i)->GetText() == strWanted) return m_hCurrentItem->GetChild(i);
    m_hCurrentItem = pRemembered;
    return pRemembered;
}

QString CRecoveryDlg::FirstSelectedListText() const
{
    int nFirst = -1;
    for (const QModelIndex& index : m_list->selectionModel()->selectedIndexes())
        if (nFirst < 0 || index.row() < nFirst) nFirst = index.row();
    const CResultItem* pItem = m_pListModel->Item(nFirst);
    return pItem ? QString::fromStdString(pItem->GetText()) : QString();
}

void CRecoveryDlg::OnClickList()
{
    if (m_bRecovering) return;
    m_strFocusPane = QStringLiteral("List");
    m_bCanRecover = m_list->selectionModel()->hasSelection() ? 1 : 0;
    QString strName = FirstSelectedListText();
    CResultItem* pRemembered = m_hCurrentItem;
    ShowItemPath(FindInCurrentFolder(strName));
    m_hCurrentItem = pRemembered;
}

void CRecoveryDlg::OnDblclkList()
{
    QString strName = FirstSelectedListText();
    m_hCurrentItem = FindInCurrentFolder(strName);
    FillList(m_hCurrentItem);
    SelectTreeItem(m_hCurrentItem);
}

int CRecoveryDlg::GetListView() const { return m_nListView & LVS_TYPEMASK; }

void CRecoveryDlg::SetListView(int nType)
{
    m_nListView = nType & LVS_TYPEMASK;
    // The report view is a view of its own over the same model and selection.
    m_listStack->setCurrentWidget(m_nListView == LVS_REPORT ? static_cast<QWidget*>(m_details) : m_list);
    if (m_nListView == LVS_REPORT) return;
    if (m_nListView == LVS_ICON) {
        m_list->setViewMode(QListView::IconMode);
        m_list->setFlow(QListView::LeftToRight);
        m_list->setIconSize(QSize(32, 32));
        m_list->setGridSize(QSize(96, 68));
    } else {
        // Small icons run in rows, the list in columns; both with the 20x20 pictures.
        m_list->setViewMode(QListView::ListMode);
        m_list->setFlow(m_nListView == LVS_SMALLICON ? QListView::LeftToRight : QListView::TopToBottom);
        m_list->setIconSize(QSize(20, 20));
        m_list->setGridSize(m_nListView == LVS_SMALLICON ? QSize(150, 24) : QSize());
    }
    // A view mode change resets these.
    m_list->setMovement(QListView::Static);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(true);
    m_list->setLayoutMode(QListView::Batched);
    m_list->setBatchSize(2000);
}

void CRecoveryDlg::OnViewLargeIcon()
{
    if (GetListView() != LVS_ICON) SetListView(LVS_ICON);
}

void CRecoveryDlg::OnViewSmallIcon()
{
    if (GetListView() != LVS_SMALLICON) SetListView(LVS_SMALLICON);
}

void CRecoveryDlg::OnViewList()
{
    if (GetListView() != LVS_LIST) SetListView(LVS_LIST);
}

void CRecoveryDlg::OnViewDetails()
{
    if (GetListView() != LVS_REPORT) SetListView(LVS_REPORT);
}

void CRecoveryDlg::OnViewDeletedOnly(bool bOn) { m_pDeletedFilter->SetActive(bOn); }
