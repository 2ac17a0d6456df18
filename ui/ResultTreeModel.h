#pragma once
// The result tree as a Qt model: each index points straight at its
// CResultItem, so rows, parents and counts come from the core tree in O(1)
// and a million items cost the view nothing until they are shown.

#include <QAbstractItemModel>
#include <QIcon>
#include <functional>
#include <string>

#include "model/ResultTree.h"

// Registers the compiled-in pictures; call once before the first icon is used.
void InitGuiResources();
// The picture of an image index, at 20x20 and 32x32 (the view picks by its icon size).
const QIcon& ItemIcon(uint8_t nImage);

// A result item's tooltip: its references, and for a file its size and state.
QString ItemToolTip(const CResultItem& item, const CTreeItemData& data);

class CResultTreeModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit CResultTreeModel(CResultTree& tree, QObject* pParent = nullptr);

    QModelIndex index(int nRow, int nColumn, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;

    // Null for an invalid index.
    static CResultItem* Item(const QModelIndex& index);
    QModelIndex IndexOf(const CResultItem* pItem) const;

    // Changes of the tree go through here, so that the views hear of them.
    CResultItem* AddDrive(const std::string& strLetter);
    // Removes the item with everything below it; pItem is gone afterwards.
    void RemoveItem(CResultItem* pItem);
    // Moves every child of other under pParent in one insertion.
    void AdoptChildren(CResultItem* pParent, CResultItem& other);

    // The tooltip text of a drive item; its letter when not set.
    std::function<QString(const CResultItem*)> m_fnDriveToolTip;

private:
    CResultTree& m_tree;
};
