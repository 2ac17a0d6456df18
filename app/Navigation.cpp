// The address bar, Go, Back, Forward and Up, and selection in the tree.
// Histories are addresses each followed by "?", which no file name holds.

#include <QLineEdit>
#include <QTreeView>

#include "app/RecoveryDlg.h"
#include "model/ItemPath.h"
#include "ui/FileListModel.h"
#include "ui/ResultTreeModel.h"
#include "ui/TreeCtrlCh.h"

void CRecoveryDlg::SetAddressText(const QString& strText)
{
    // Setting the address always counts as a change, even to the same text.
    if (m_address->text() == strText)
        OnAddressChange();
    else
        m_address->setText(strText);
}

void CRecoveryDlg::ShowItemPath(CResultItem* pItem)
{
    if (!pItem || pItem->IsRoot()) return;
    SetAddressText(QString::fromStdString(ItemAddress(pItem)));
}

void CRecoveryDlg::ShowSelectionPath() { ShowItemPath(GetSelectedTreeItem()); }

CResultItem* CRecoveryDlg::GetSelectedTreeItem() const
{
    return CResultTreeModel::Item(m_tree->selectionModel()->currentIndex());
}

void CRecoveryDlg::SelectTreeItem(CResultItem* pItem)
{
    if (!pItem) return;
    QModelIndex index = m_pTreeModel->IndexOf(pItem);
    // Selecting an item that is selected already changes nothing.
    m_tree->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_tree->scrollTo(index);
}

CResultItem* CRecoveryDlg::NavigateToPath(const QString& strText, bool bResolveLast)
{
    CResultItem* pItem = FindChildItem(m_resultTree.GetRoot(), strText.left(1));
    // The second and third characters are the ":\" after the letter.
    QString strComponent;
    for (qsizetype i = 3; i < strText.size(); ++i) {
        if (strText[i] == QLatin1Char('\\')) {
            pItem = FindChildItem(pItem, strComponent);
            strComponent.clear();
        } else {
            strComponent += strText[i];
        }
    }
    if (bResolveLast && !strComponent.isEmpty()) pItem = FindChildItem(pItem, strComponent);
    return pItem;
}

QString CRecoveryDlg::LastHistoryEntry(const QString& strHistory, int* pStart)
{
    QString strEntry;
    int nStart = 0;
    for (qsizetype i = strHistory.size() - 1; i >= 0; --i) {
        if (i == 0) {
            strEntry.prepend(strHistory[0]);
            nStart = 0;
            break;
        }
        if (strHistory[i - 1] == QLatin1Char('?')) {
            strEntry.prepend(strHistory[i]);
            nStart = static_cast<int>(i);
            break;
        }
        if (strHistory[i] != QLatin1Char('?')) strEntry.prepend(strHistory[i]);
    }
    if (pStart) *pStart = nStart;
    return strEntry;
}

void CRecoveryDlg::OnAddressChange()
{
    if (m_bRecoveryActive == 0) m_strBackHistory += m_address->text() + QLatin1Char('?');
}

void CRecoveryDlg::OnGo()
{
    QString strText = m_address->text();
    if (!strText.isEmpty()) SelectTreeItem(NavigateToPath(strText, true));
}

void CRecoveryDlg::GoBack()
{
    if (m_strBackHistory.isEmpty()) return;
    int nStart = 0;
    QString strEntry = LastHistoryEntry(m_strBackHistory, &nStart);
    m_strForwardHistory += strEntry + QLatin1Char('?');
    QString strPrevious;
    bool bHavePrevious = nStart > 0;
    if (bHavePrevious) strPrevious = LastHistoryEntry(m_strBackHistory.left(nStart), nullptr);
    m_strBackHistory.truncate(nStart);
    if (bHavePrevious && !strPrevious.isEmpty()) SelectTreeItem(NavigateToPath(strPrevious, true));
}

void CRecoveryDlg::GoForward()
{
    if (m_strForwardHistory.isEmpty()) return;
    int nStart = 0;
    QString strEntry = LastHistoryEntry(m_strForwardHistory, &nStart);
    m_strForwardHistory.truncate(nStart);
    if (strEntry.isEmpty()) return;
    CResultItem* pItem = NavigateToPath(strEntry, true);
    m_strBackHistory += strEntry + QLatin1Char('?');
    SelectTreeItem(pItem);
}

void CRecoveryDlg::GoUp()
{
    if (!m_hCurrentItem || m_hCurrentItem->IsRoot()) return;
    m_hCurrentItem = m_hCurrentItem->GetParent();
    SelectTreeItem(m_hCurrentItem);
    FillList(m_hCurrentItem);
    ShowSelectionPath();
}

void CRecoveryDlg::OnSelchangedTree()
{
    CResultItem* pItem = GetSelectedTreeItem();
    if (!pItem) return;
    m_strFocusPane = QStringLiteral("Tree");
    m_hCurrentItem = pItem;
    ShowSelectionPath();
    ShowDriveStatus(pItem);
    if (pItem->IsRoot()) {
        m_pListModel->Clear();
        m_tree->expand(m_pTreeModel->IndexOf(pItem));
    } else if (pItem->IsFile()) {
        // The address now ends in the file's name; without it, it names the folder.
        FillList(NavigateToPath(m_address->text(), false));
    } else {
        FillList(m_hCurrentItem);
    }
    if (pItem->IsRoot() || pItem->IsDrive())
        m_bCanRecover = 0;
    else if (!m_bRecovering)
        m_bCanRecover = 1;
}
