#pragma once
// The file list: the children of one result item, in ascending order of their
// text, as a model; and the list view that reports clicks anywhere on it,
// empty space included.

#include <QAbstractTableModel>
#include <QListView>
#include <vector>

#include "model/ResultTree.h"

class CFileListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    // The seven columns of the (unused) report view.
    static constexpr int COLUMN_COUNT = 7;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation, int nRole = Qt::DisplayRole) const override;

    // Shows the children of pParent (replacing what was shown).
    void ShowChildren(const CResultItem* pParent);
    void Clear();
    // The item whose children are shown; null when the list was emptied.
    const CResultItem* ShownParent() const { return m_pShownParent; }
    CResultItem* Item(int nRow) const;

private:
    std::vector<CResultItem*> m_items;
    const CResultItem* m_pShownParent = nullptr;
};

class CFileListView final : public QListView {
    Q_OBJECT
public:
    using QListView::QListView;

signals:
    // After the view has updated its selection, on item or empty space alike.
    void ListClicked();
    void ListDoubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;

private:
    bool m_bAfterDoubleClick = false;
};
