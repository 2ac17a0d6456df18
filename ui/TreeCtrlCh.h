#pragma once
// The drive and folder tree. Over a result item's label it shows the item's
// references ("Parent Cluster 5 Start Cluster 37"); over the root and the
// drives their own text; elsewhere (icon, indentation, empty space) nothing.

#include <QTreeView>

class CTreeCtrlCh final : public QTreeView {
    Q_OBJECT
public:
    explicit CTreeCtrlCh(QWidget* pParent = nullptr);

    // The tooltip at a point of the viewport; empty where none is shown.
    QString ToolTipAt(const QPoint& pos) const;
    // Where an item's text is drawn, in viewport coordinates.
    QRect LabelRect(const QModelIndex& index) const;

protected:
    bool viewportEvent(QEvent* pEvent) override;
};
