#pragma once
// "Show deleted items only": the tree view and the file list show deleted
// items, the folders above them and everything below a deleted folder. The
// result tree stays as it is; the tree view hides rows as folders open, and
// the list leaves the other children out.

#include <QObject>
#include <QPersistentModelIndex>
#include <QTreeView>
#include <unordered_set>
#include <vector>

#include "model/ResultTree.h"

class CFileListModel;
class CResultTreeModel;

class CDeletedOnlyFilter final : public QObject {
    Q_OBJECT
public:
    CDeletedOnlyFilter(QTreeView* pTree, CResultTreeModel* pModel, CFileListModel* pList, QObject* pParent = nullptr);

    void SetActive(bool bActive);
    bool IsActive() const { return m_bActive; }
    // Whether the item shows while the filter is on; the root and the drives always do.
    bool Shows(const CResultItem& item) const;

private:
    void Rebuild();
    // Hides or shows the children of an expanded item, and so on below it.
    void ApplyBelow(const QModelIndex& parent);
    void ShowAllAgain();
    void RefreshList();

    QTreeView* m_pTree;
    CResultTreeModel* m_pModel;
    CFileListModel* m_pList;
    bool m_bActive = false;
    std::unordered_set<const CResultItem*> m_leads;  // live items above deleted ones
    std::vector<QPersistentModelIndex> m_hidden;
};
