// Where the main window's controls go: fixed distances from the edges of the
// client area, the splitter between tree and list, and what a drag of it does.
//
// Maximising, and the first size change after it, put everything back at its
// fixed place, the splitter included. Other size changes (the user dragging
// the window's border) keep the distances from the edges but leave the
// share of tree and list as the user dragged it.

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <algorithm>

#include "app/RecoveryDlg.h"
#include "ui/SplitterControl.h"
#include "ui/TreeCtrlCh.h"

namespace {

// The fixed places, in pixels of the client area.
// The tree ends at 250, the bar stands at 251, the list begins at 252.
constexpr int SPLITTER_LEFT = 251;
constexpr int LIST_RIGHT_MARGIN = 5;
constexpr int PANES_BOTTOM_MARGIN = 20;
constexpr int TEXT_LINE_TOP_MARGIN = 15;
constexpr int TEXT_LINE_BOTTOM_MARGIN = 2;
constexpr int COPYRIGHT_RIGHT_MARGIN = 10;
constexpr int ADDRESS_RIGHT_MARGIN = 35;
constexpr int GO_RIGHT_MARGIN = 3;
// How far left of and right of its fixed place the user may drag the splitter.
constexpr int DRAG_BELOW = 50;
constexpr int DRAG_ABOVE = 200;
// The least width the list keeps when the window is made narrow.
constexpr int LIST_MIN_WIDTH = 100;

}  // namespace

QRect CRecoveryDlg::PlaceRect(QRect rect, int cx, int cy, int nLeft, int nRight, int nTop, int nBottom,
                              bool bLeftFromRight, bool bRightFromRight, bool bTopFromBottom, bool bBottomFromBottom)
{
    // Edges as the window system gives them: right and bottom just outside.
    int nLeftEdge = rect.left();
    int nRightEdge = rect.left() + rect.width();
    int nTopEdge = rect.top();
    int nBottomEdge = rect.top() + rect.height();
    if (nLeft != 0) nLeftEdge = (cx != 0 && bLeftFromRight) ? cx - nLeft : nLeft;
    if (nRight != 0) nRightEdge = (cx != 0 && bRightFromRight) ? cx - nRight : nRight;
    if (nBottom != 0 && bBottomFromBottom) nBottomEdge = cy != 0 ? cy - nBottom : nBottom;
    if (nTop != 0 && bTopFromBottom) nTopEdge = cy - nTop;
    return QRect(nLeftEdge, nTopEdge, nRightEdge - nLeftEdge, nBottomEdge - nTopEdge);
}

QRect CRecoveryDlg::SetControlPos(QWidget* pControl, int cx, int cy, int nLeft, int nRight, int nTop, int nBottom,
                                  bool bLeftFromRight, bool bRightFromRight, bool bTopFromBottom,
                                  bool bBottomFromBottom)
{
    if (!pControl || !pControl->parentWidget()) return {};
    QRect rect = PlaceRect(pControl->geometry(), cx, cy, nLeft, nRight, nTop, nBottom, bLeftFromRight,
                           bRightFromRight, bTopFromBottom, bBottomFromBottom);
    pControl->setGeometry(rect);
    pControl->update();
    return rect;
}

void CRecoveryDlg::PlaceControls(int cx, int cy, int nTreeRight)
{
    // The two text lines are 13 pixels high; a taller font moves their top up
    // rather than cutting the letters.
    const int nTextTop = std::max(TEXT_LINE_TOP_MARGIN, TEXT_LINE_BOTTOM_MARGIN + m_helpTip->fontMetrics().height());
    const int nCopyrightWidth = m_copyright->sizeHint().width();
    SetControlPos(m_tree, cx, cy, 0, nTreeRight, 0, PANES_BOTTOM_MARGIN, false, false, false, true);
    SetControlPos(m_listStack, cx, cy, nTreeRight + 2, LIST_RIGHT_MARGIN, 0, PANES_BOTTOM_MARGIN, false, true,
                  false, true);
    SetControlPos(m_helpTip, cx, cy, 0, 0, nTextTop, TEXT_LINE_BOTTOM_MARGIN, false, false, true, true);
    // Right-aligned text: the line keeps its width and follows the right edge.
    SetControlPos(m_copyright, cx, cy, COPYRIGHT_RIGHT_MARGIN + nCopyrightWidth, COPYRIGHT_RIGHT_MARGIN, nTextTop,
                  TEXT_LINE_BOTTOM_MARGIN, true, true, true, true);
    SetControlPos(m_address, cx, cy, 0, ADDRESS_RIGHT_MARGIN, 0, 0, false, true, false, false);
    SetControlPos(m_goButton, cx, cy, ADDRESS_RIGHT_MARGIN, GO_RIGHT_MARGIN, 0, 0, true, true, false, false);
    m_rcSplitterPlace = PlaceRect(m_rcSplitterPlace, cx, cy, nTreeRight + 1, 0, 0, PANES_BOTTOM_MARGIN, false,
                                  false, false, true);
}

void CRecoveryDlg::LayoutControls(int cx, int cy)
{
    PlaceControls(cx, cy, SPLITTER_LEFT - 1);
    m_splitter->Create(m_rcSplitterPlace, IDC_SPLITTER);
    m_splitter->SetDragRange(DRAG_BELOW, DRAG_ABOVE, -1);
    FillList(GetSelectedTreeItem());
}

void CRecoveryDlg::KeepDistances(int cx, int cy)
{
    // The list keeps a usable width however narrow the window gets.
    const QRect tree = m_tree->geometry();
    const int nTreeRight = std::min(tree.left() + tree.width(), cx - LIST_RIGHT_MARGIN - LIST_MIN_WIDTH - 2);
    PlaceControls(cx, cy, nTreeRight);
    // The bar stays in the gap between tree and list; its drag range stays
    // around its fixed place.
    m_splitter->setGeometry(m_rcSplitterPlace);
}

void CRecoveryDlg::OnSize(int nType, int cx, int cy)
{
    if (m_bMaximized) {
        m_bMaximized = false;
        LayoutControls(cx, cy);
    } else if (nType != SIZE_MAXIMIZED) {
        KeepDistances(cx, cy);
    }
    if (nType == SIZE_MAXIMIZED) {
        m_bMaximized = true;
        LayoutControls(cx, cy);
    }
}

void CRecoveryDlg::ResizeTreeAndList(int nDistance)
{
    CSplitterControl::ResizeWidth(m_tree, nDistance, MOVE_RIGHT_EDGE);
    CSplitterControl::ResizeWidth(m_listStack, -nDistance, MOVE_LEFT_EDGE);
    update();
    m_listStack->repaint();
}

bool CRecoveryDlg::eventFilter(QObject* pObject, QEvent* pEvent)
{
    if (pObject == centralWidget() && pEvent->type() == QEvent::Resize) {
        const QSize size = centralWidget()->size();
        if (!m_bLaidOut) {
            // The first size the window gets: everything at its fixed place.
            m_bLaidOut = true;
            LayoutControls(size.width(), size.height());
        } else {
            OnSize(isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED, size.width(), size.height());
        }
    }
    return QMainWindow::eventFilter(pObject, pEvent);
}
