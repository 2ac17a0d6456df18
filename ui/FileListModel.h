#pragma once
// The file list: the children of one result item, in ascending order of their
// text, as a model; and the list view that reports clicks anywhere on it,
// empty space included.

#include <QAbstractTableModel>
#include <QListView>
#include <QTreeView>
#include <functional>
#include <vector>

#include "model/ResultTree.h"

// A size as file managers show it ("146.5 KB").
QString SizeText(uint64_t nBytes);

class CFileListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    // The seven columns of the report (Details) view and the state of the data.
    enum EColumn {
        COLUMN_NAME,
        COLUMN_CREATE_TIME,
        COLUMN_CREATE_DATE,
        COLUMN_ACCESS_DATE,
        COLUMN_MODIFY_TIME,
        COLUMN_MODIFY_DATE,
        COLUMN_SIZE,
        COLUMN_STATE,
        COLUMN_COUNT
    };

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
    // Which children are listed; null lists them all. ShowChildren applies it.
    std::function<bool(const CResultItem&)> m_fnShown;

private:
    QVariant CellText(const CResultItem& item, int nColumn) const;

    std::vector<CResultItem*> m_items;
    const CResultItem* m_pShownParent = nullptr;
};

// Tells a click of its own from the release that ends a double click.
class CClickTracker {
public:
    // True when the release is a click to report.
    bool IsClick(const QMouseEvent* pEvent);
    // True when the double click is one to report.
    bool IsDoubleClick(const QMouseEvent* pEvent);

private:
    bool m_bAfterDoubleClick = false;
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
    CClickTracker m_clicks;
};

// The same list in the report view: one row per item with its columns. Its
// clicks are the list's own: they come out as the list view's signals.
class CFileDetailsView final : public QTreeView {
public:
    explicit CFileDetailsView(CFileListView* pList, QWidget* pParent = nullptr);

protected:
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;

private:
    CFileListView* m_pList;
    CClickTracker m_clicks;
};
