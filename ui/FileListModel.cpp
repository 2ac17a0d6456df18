#include "ui/FileListModel.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLocale>
#include <QMouseEvent>
#include <algorithm>
#include <cctype>

#include "fs/FileTime.h"
#include "ui/ResultTreeModel.h"

int CFileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

int CFileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : COLUMN_COUNT; }

QVariant CFileListModel::data(const QModelIndex& index, int nRole) const
{
    const CResultItem* pItem = index.isValid() ? Item(index.row()) : nullptr;
    if (!pItem) return {};
    switch (nRole) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return CellText(*pItem, index.column());
    case Qt::DecorationRole:
        return index.column() == COLUMN_NAME ? QVariant(ItemIcon(pItem->GetImage())) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == COLUMN_NAME ? QVariant() : QVariant(int(Qt::AlignCenter));
    default:
        return {};
    }
}

namespace {

// The local date and time of a volume time; invalid when the volume kept none.
QDateTime LocalTime(uint64_t nTime)
{
    if (nTime == 0) return {};
    int64_t nMs = (static_cast<int64_t>(nTime) - static_cast<int64_t>(FILETIME_UNIX_EPOCH)) / 10000;
    return QDateTime::fromMSecsSinceEpoch(nMs, Qt::UTC).toLocalTime();
}

QString DateText(uint64_t nTime)
{
    QDateTime when = LocalTime(nTime);
    return when.isValid() ? QLocale().toString(when.date(), QLocale::ShortFormat) : QString();
}

QString TimeText(uint64_t nTime)
{
    QDateTime when = LocalTime(nTime);
    return when.isValid() ? QLocale().toString(when.time(), QStringLiteral("HH:mm:ss")) : QString();
}

}  // namespace

QString SizeText(uint64_t nBytes)
{
    return QLocale().formattedDataSize(static_cast<qint64>(nBytes), 1, QLocale::DataSizeTraditionalFormat);
}

QVariant CFileListModel::CellText(const CResultItem& item, int nColumn) const
{
    if (nColumn == COLUMN_NAME) return QString::fromStdString(item.GetText());
    const CTreeItemData* pData = item.GetItemData();
    if (!pData) return QString();
    switch (nColumn) {
    case COLUMN_CREATE_TIME: return TimeText(pData->m_nCreateTime);
    case COLUMN_CREATE_DATE: return DateText(pData->m_nCreateTime);
    case COLUMN_ACCESS_DATE: return DateText(pData->m_nAccessTime);
    case COLUMN_MODIFY_TIME: return TimeText(pData->m_nModifyTime);
    case COLUMN_MODIFY_DATE: return DateText(pData->m_nModifyTime);
    // A folder's size field says nothing about what it holds.
    case COLUMN_SIZE: return item.IsFile() ? SizeText(pData->m_nSize) : QString();
    case COLUMN_STATE: return QString::fromLatin1(RecoverStateText(pData->m_nState));
    default: return QString();
    }
}

QVariant CFileListModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const
{
    static const char* const headings[COLUMN_COUNT] = {"FileName",           "Create Time",        "Create Date",
                                                       "Last Access Date",   "Last Modified time", "Last Modified Date",
                                                       "File Size",          "State"};
    static const int widths[COLUMN_COUNT] = {190, 100, 100, 100, 100, 120, 80, 120};
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
        for (size_t i = 0; i < pParent->GetChildCount(); ++i)
            if (!m_fnShown || m_fnShown(*pParent->GetChild(i))) m_items.push_back(pParent->GetChild(i));
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

bool CClickTracker::IsClick(const QMouseEvent* pEvent)
{
    // The release that ends a double click is part of it, not a click of its own.
    if (m_bAfterDoubleClick) {
        m_bAfterDoubleClick = false;
        return false;
    }
    return pEvent->button() == Qt::LeftButton;
}

bool CClickTracker::IsDoubleClick(const QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton) return false;
    m_bAfterDoubleClick = true;
    return true;
}

void CFileListView::mouseReleaseEvent(QMouseEvent* pEvent)
{
    QListView::mouseReleaseEvent(pEvent);
    if (m_clicks.IsClick(pEvent)) emit ListClicked();
}

void CFileListView::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    QListView::mouseDoubleClickEvent(pEvent);
    if (m_clicks.IsDoubleClick(pEvent)) emit ListDoubleClicked();
}

CFileDetailsView::CFileDetailsView(CFileListView* pList, QWidget* pParent) : QTreeView(pParent), m_pList(pList)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setIconSize(QSize(20, 20));
    // The list keeps its own order by name; the headings do not re-sort it.
    setSortingEnabled(false);
    header()->setSectionsClickable(false);
    header()->setDefaultAlignment(Qt::AlignCenter);
}

void CFileDetailsView::mouseReleaseEvent(QMouseEvent* pEvent)
{
    QTreeView::mouseReleaseEvent(pEvent);
    if (m_clicks.IsClick(pEvent)) emit m_pList->ListClicked();
}

void CFileDetailsView::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    QTreeView::mouseDoubleClickEvent(pEvent);
    if (m_clicks.IsDoubleClick(pEvent)) emit m_pList->ListDoubleClicked();
}
