#include "ui/ResultTreeModel.h"

#include <QLocale>
#include <array>

#include "ui/FileListModel.h"

void InitGuiResources() { Q_INIT_RESOURCE(varnel); }

const QIcon& ItemIcon(uint8_t nImage)
{
    static const std::array<QIcon, 6> icons = [] {
        static const char* const names[] = {"drives", "drive", "folder", "deleted-folder", "file", "deleted-file"};
        std::array<QIcon, 6> result;
        for (size_t i = 0; i < result.size(); ++i)
            for (int nSize : {20, 32})
                result[i].addFile(QStringLiteral(":/images/%1-%2.png").arg(names[i]).arg(nSize), QSize(nSize, nSize));
        return result;
    }();
    static const QIcon none;
    return nImage < icons.size() ? icons[nImage] : none;
}

QString ItemToolTip(const CResultItem& item, const CTreeItemData& data)
{
    QString strTip = QString::fromStdString("Parent Cluster " + data.GetParentRef() + " Start Cluster " + data.GetStartRef());
    if (!item.IsFile()) return strTip;
    strTip += QStringLiteral("\nSize: ") + SizeText(data.m_nSize);
    if (data.m_nSize >= 1024)
        strTip += QStringLiteral(" (%1 bytes)").arg(QLocale().toString(static_cast<qulonglong>(data.m_nSize)));
    if (data.m_nState != ERecoverState::Unknown)
        strTip += QStringLiteral("\nState: ") + QString::fromLatin1(RecoverStateText(data.m_nState));
    return strTip;
}

CResultTreeModel::CResultTreeModel(CResultTree& tree, QObject* pParent) : QAbstractItemModel(pParent), m_tree(tree) {}

CResultItem* CResultTreeModel::Item(const QModelIndex& index)
{
    return index.isValid() ? static_cast<CResultItem*>(index.internalPointer()) : nullptr;
}

QModelIndex CResultTreeModel::IndexOf(const CResultItem* pItem) const
{
    if (!pItem) return {};
    // The "Drives" root is the model's only top-level row.
    int nRow = pItem->IsRoot() ? 0 : static_cast<int>(pItem->GetRow());
    return createIndex(nRow, 0, pItem);
}

QModelIndex CResultTreeModel::index(int nRow, int nColumn, const QModelIndex& parent) const
{
    if (nColumn != 0 || nRow < 0) return {};
    if (!parent.isValid()) return nRow == 0 ? createIndex(0, 0, m_tree.GetRoot()) : QModelIndex();
    CResultItem* pChild = Item(parent)->GetChild(static_cast<size_t>(nRow));
    return pChild ? createIndex(nRow, 0, pChild) : QModelIndex();
}

QModelIndex CResultTreeModel::parent(const QModelIndex& index) const
{
    CResultItem* pItem = Item(index);
    return pItem && !pItem->IsRoot() ? IndexOf(pItem->GetParent()) : QModelIndex();
}

int CResultTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid()) return 1;
    if (parent.column() != 0) return 0;
    return static_cast<int>(Item(parent)->GetChildCount());
}

int CResultTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool CResultTreeModel::hasChildren(const QModelIndex& parent) const
{
    return !parent.isValid() || (parent.column() == 0 && Item(parent)->HasChildren());
}

QVariant CResultTreeModel::data(const QModelIndex& index, int nRole) const
{
    const CResultItem* pItem = Item(index);
    if (!pItem) return {};
    switch (nRole) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return QString::fromStdString(pItem->GetText());
    case Qt::DecorationRole:
        return ItemIcon(pItem->GetImage());
    case Qt::ToolTipRole:
        if (const CTreeItemData* pData = pItem->GetItemData()) return ItemToolTip(*pItem, *pData);
        if (pItem->IsDrive() && m_fnDriveToolTip) return m_fnDriveToolTip(pItem);
        return QString::fromStdString(pItem->GetText());
    default:
        return {};
    }
}

CResultItem* CResultTreeModel::AddDrive(const std::string& strLetter)
{
    int nRow = static_cast<int>(m_tree.GetRoot()->GetChildCount());
    beginInsertRows(IndexOf(m_tree.GetRoot()), nRow, nRow);
    CResultItem* pDrive = m_tree.AddDrive(strLetter);
    endInsertRows();
    return pDrive;
}

void CResultTreeModel::RemoveItem(CResultItem* pItem)
{
    if (!pItem || pItem->IsRoot()) return;
    CResultItem* pParent = pItem->GetParent();
    int nRow = static_cast<int>(pItem->GetRow());
    beginRemoveRows(IndexOf(pParent), nRow, nRow);
    pParent->RemoveChild(static_cast<size_t>(nRow));
    endRemoveRows();
}

void CResultTreeModel::AdoptChildren(CResultItem* pParent, CResultItem& other)
{
    if (!pParent || !other.HasChildren()) return;
    int nFirst = static_cast<int>(pParent->GetChildCount());
    int nLast = nFirst + static_cast<int>(other.GetChildCount()) - 1;
    beginInsertRows(IndexOf(pParent), nFirst, nLast);
    pParent->AdoptChildren(other);
    endInsertRows();
}
