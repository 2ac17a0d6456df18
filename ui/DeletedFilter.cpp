#include "ui/DeletedFilter.h"

#include "model/TreeFilter.h"
#include "ui/FileListModel.h"
#include "ui/ResultTreeModel.h"

namespace {

bool IsDeletedItem(const CResultItem& item) { return item.IsDeleted(); }

}  // namespace

CDeletedOnlyFilter::CDeletedOnlyFilter(QTreeView* pTree, CResultTreeModel* pModel, CFileListModel* pList,
                                       QObject* pParent)
    : QObject(pParent), m_pTree(pTree), m_pModel(pModel), m_pList(pList)
{
    connect(m_pTree, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (m_bActive) ApplyBelow(index);
    });
    // Results arrive and go with scans: the items above deleted ones change.
    connect(m_pModel, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_leads.clear(); });
    for (auto pSignal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_pModel, pSignal, this, [this] {
            if (m_bActive) Rebuild();
        });
    m_pList->m_fnShown = [this](const CResultItem& item) { return !m_bActive || Shows(item); };
}

bool CDeletedOnlyFilter::Shows(const CResultItem& item) const
{
    if (item.IsRoot() || item.IsDrive()) return true;
    return m_leads.count(&item) || IsInWantedBranch(item, IsDeletedItem);
}

void CDeletedOnlyFilter::SetActive(bool bActive)
{
    if (bActive == m_bActive) return;
    m_bActive = bActive;
    if (bActive) {
        Rebuild();
    } else {
        m_leads.clear();
        ShowAllAgain();
    }
    RefreshList();
}

void CDeletedOnlyFilter::Rebuild()
{
    m_leads = ItemsAboveWanted(*m_pModel->Item(m_pModel->index(0, 0)), IsDeletedItem);
    ShowAllAgain();
    ApplyBelow(m_pModel->index(0, 0));
}

void CDeletedOnlyFilter::ApplyBelow(const QModelIndex& parent)
{
    // Only open folders: the others are dealt with when they open.
    std::vector<QModelIndex> pending{parent};
    while (!pending.empty()) {
        QModelIndex index = pending.back();
        pending.pop_back();
        const CResultItem* pItem = CResultTreeModel::Item(index);
        if (!pItem || (!pItem->IsRoot() && !m_pTree->isExpanded(index))) continue;
        // Inside a deleted branch everything shows.
        if (IsInWantedBranch(*pItem, IsDeletedItem)) continue;
        for (int nRow = 0; nRow < m_pModel->rowCount(index); ++nRow) {
            QModelIndex child = m_pModel->index(nRow, 0, index);
            bool bHide = !Shows(*CResultTreeModel::Item(child));
            if (bHide != m_pTree->isRowHidden(nRow, index)) {
                m_pTree->setRowHidden(nRow, index, bHide);
                if (bHide) m_hidden.emplace_back(child);
            }
            if (!bHide) pending.push_back(child);
        }
    }
}

void CDeletedOnlyFilter::ShowAllAgain()
{
    for (const QPersistentModelIndex& index : m_hidden)
        if (index.isValid()) m_pTree->setRowHidden(index.row(), index.parent(), false);
    m_hidden.clear();
}

void CDeletedOnlyFilter::RefreshList() { m_pList->ShowChildren(m_pList->ShownParent()); }
