#include "ui/FileListModel.h"

#include <QMouseEvent>
#include <algorithm>
#include <cctype>

#include "ui/ResultTreeModel.h"

int CFileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

int CFileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : COLUMN_COUNT; }

QVariant CFileListModel::data(const QModelIndex& index, int nRole) const
{
    const CResultItem* pItem = index.isValid() ? Item(index.row()) : nullptr;
    // Every column is bound to the item text; only the name column is ever filled.
    if (!pItem || index.column() != 0) return {};
    switch (nRole) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return QString::fromStdString(pItem->GetText());
    case Qt::DecorationRole:
        return ItemIcon(pItem->GetImage());
    default:
        return {};
    }
}

QVariant CFileListModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const
{
    static const char* const headings[COLUMN_COUNT] = {"FileName",           "Create Time",        "Create Date",
                                                       "Last Access Date",   "Last Modified time", "Last Modified Date",
                                                       "File Size"};
    static const int widths[COLUMN_COUNT] = {190, 100, 100, 100, 100, 120, 80};
    if (orientation != Qt::Horizontal || nSection < 0 || nSection >= COLUMN_COUNT) return {};
    switch (nRole) {
    case Qt::DisplayRole:
        return QString::fromLatin1(headings[nSection]);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::SizeHintRole:
        return QSize(widths[nSection], 20);
    default:
        return {};
    }
}

static bool LessNoCase(const CResultItem* a, const CResultItem* b)
{
    const std::string& x = a->GetText();
    const std::string& y = b->GetText();
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), [](unsigned char c, unsigned char d) {
        return std::tolower(c) < std::tolower(d);
    });
}

void CFileListModel::ShowChildren(const CResultItem* pParent)
{
    beginResetModel();
    m_items.clear();
    m_pShownParent = pParent;
    if (pParent) {
        m_items.reserve(pParent->GetChildCount());
        for (size_t i = 0; i < pParent->GetChildCount(); ++i) m_items.push_back(pParent->GetChild(i));
        // Ascending by text as the list control keeps it; equal names stay in tree order.
        std::stable_sort(m_items.begin(), m_items.end(), LessNoCase);
    }
    endResetModel();
}

void CFileListModel::Clear() { ShowChildren(nullptr); }

CResultItem* CFileListModel::Item(int nRow) const
{
    return nRow >= 0 && static_cast<size_t>(nRow) < m_items.size() ? m_items[static_cast<size_t>(nRow)] : nullptr;
}

void CFileListView::mouseReleaseEvent(QMouseEvent* pEvent)
{
    QListView::mouseReleaseEvent(pEvent);
    // The release that ends a double click is part of it, not a click of its own.
    if (m_bAfterDoubleClick) {
        m_bAfterDoubleClick = false;
        return;
    }
    if (pEvent->button() == Qt::LeftButton) emit ListClicked();
}

void CFileListView::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    QListView::mouseDoubleClickEvent(pEvent);
    if (pEvent->button() != Qt::LeftButton) return;
    m_bAfterDoubleClick = true;
    emit ListDoubleClicked();
}
