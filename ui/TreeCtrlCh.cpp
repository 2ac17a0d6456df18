#include "ui/TreeCtrlCh.h"

#include <QHelpEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolTip>

CTreeCtrlCh::CTreeCtrlCh(QWidget* pParent) : QTreeView(pParent)
{
    setHeaderHidden(true);
    // Every row is one line high: the view need not measure a million rows.
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(20, 20));
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setExpandsOnDoubleClick(true);
    setAnimated(false);
}

QRect CTreeCtrlCh::LabelRect(const QModelIndex& index) const
{
    if (!index.isValid()) return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.text = index.data(Qt::DisplayRole).toString();
    option.icon = index.data(Qt::DecorationRole).value<QIcon>();
    option.decorationSize = iconSize();
    option.features |= QStyleOptionViewItem::HasDisplay;
    if (!option.icon.isNull()) option.features |= QStyleOptionViewItem::HasDecoration;
    QRect rcText = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    // The text cell runs to the view's right edge; the label is only as wide as its text.
    int nMargin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    rcText.setWidth(std::min(rcText.width(), option.fontMetrics.horizontalAdvance(option.text) + 2 * nMargin));
    return rcText;
}

QString CTreeCtrlCh::ToolTipAt(const QPoint& pos) const
{
    QModelIndex index = indexAt(pos);
    if (!index.isValid() || !LabelRect(index).contains(pos)) return {};
    return index.data(Qt::ToolTipRole).toString();
}

bool CTreeCtrlCh::viewportEvent(QEvent* pEvent)
{
    if (pEvent->type() != QEvent::ToolTip) return QTreeView::viewportEvent(pEvent);
    auto* pHelp = static_cast<QHelpEvent*>(pEvent);
    QString strText = ToolTipAt(pHelp->pos());
    if (strText.isEmpty()) {
        QToolTip::hideText();
        pEvent->ignore();
    } else {
        // The label is the tool: the tip goes when the pointer leaves it.
        QToolTip::showText(pHelp->globalPos(), strText, viewport(), LabelRect(indexAt(pHelp->pos())));
    }
    return true;
}
