#include "ui/SplitterControl.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

const QColor DRAG_LINE_COLOUR(200, 200, 200);
const QColor BAR_PEN_COLOUR(200, 200, 200);
const QColor BAR_FILL_COLOUR(200, 220, 220);

// Two upright or lying lines, three pixels apart from outer edge to outer
// edge, that take no mouse input.
class CDragLines final : public QWidget {
public:
    CDragLines(QWidget* pWindow, bool bVertical) : QWidget(pWindow), m_bVertical(bVertical)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(QPen(DRAG_LINE_COLOUR, 1));
        if (m_bVertical) {
            painter.drawLine(0, 0, 0, height() - 1);
            painter.drawLine(2, 0, 2, height() - 1);
        } else {
            painter.drawLine(0, 0, width() - 1, 0);
            painter.drawLine(0, 2, width() - 1, 2);
        }
    }

private:
    bool m_bVertical;
};

}  // namespace

CSplitterControl::CSplitterControl(QWidget* pParent) : QWidget(pParent)
{
    setAccessibleName(QStringLiteral("Splitter"));
    SetDragRange(0, 0, -1);
}

void CSplitterControl::Create(const QRect& rect, int nID)
{
    m_nID = nID;
    m_nOrientation = rect.width() >= rect.height() ? SPLITTER_HORIZONTAL : SPLITTER_VERTICAL;
    QRect bar = rect;
    if (m_nOrientation == SPLITTER_VERTICAL)
        bar.setWidth(1);
    else
        bar.setHeight(1);
    setGeometry(bar);
    setCursor(m_nOrientation == SPLITTER_VERTICAL ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    delete m_pDragLines;
    m_pDragLines = nullptr;
    show();
    SetDragRange(0, 0, -1);
}

int CSplitterControl::Centre() const
{
    const QRect rect = geometry();
    return m_nOrientation == SPLITTER_VERTICAL ? rect.left() + rect.width() / 2 : rect.top() + rect.height() / 2;
}

void CSplitterControl::SetDragRange(int nBelow, int nAbove, int nRoot)
{
    if (nRoot < 0) nRoot = Centre();
    m_nLowLimit = nRoot - nBelow;
    m_nHighLimit = nRoot + nAbove;
}

int CSplitterControl::Clamp(int nPosition) const
{
    if (nPosition < m_nLowLimit) nPosition = m_nLowLimit;
    if (nPosition > m_nHighLimit) nPosition = m_nHighLimit;
    return nPosition;
}

void CSplitterControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect rect(0, 0, width(), height());
    // A raised frame, then the inside in the bar's own colours.
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    const QRect inside = rect.adjusted(1, 1, -1, -1);
    if (inside.isValid()) {
        painter.setPen(BAR_PEN_COLOUR);
        painter.setBrush(BAR_FILL_COLOUR);
        painter.drawRect(inside.adjusted(0, 0, -1, -1));
    }
}

void CSplitterControl::mousePressEvent(QMouseEvent* pEvent)
{
    QWidget::mousePressEvent(pEvent);
    if (pEvent->button() != Qt::LeftButton) return;
    m_bDragging = 1;
    const QPoint centre = geometry().center();
    m_nDragX = m_nOrientation == SPLITTER_VERTICAL ? Centre() : centre.x();
    m_nDragY = m_nOrientation == SPLITTER_VERTICAL ? centre.y() : Centre();
    m_nDragStart = m_nOrientation == SPLITTER_VERTICAL ? m_nDragX : m_nDragY;
    DrawDragLines();
}

void CSplitterControl::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (m_bDragging == 1) {
        const QPoint pt = mapToParent(pEvent->position().toPoint());
        if (m_nOrientation == SPLITTER_VERTICAL)
            m_nDragX = Clamp(pt.x());
        else
            m_nDragY = Clamp(pt.y());
        DrawDragLines();
    }
    QWidget::mouseMoveEvent(pEvent);
}

void CSplitterControl::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (m_bDragging == 1 && pEvent->button() == Qt::LeftButton) {
        HideDragLines();
        m_bDragging = 0;
        if (parentWidget()) {
            MoveToPosition(QPoint(m_nDragX, m_nDragY));
            const int nDelta = (m_nOrientation == SPLITTER_VERTICAL ? m_nDragX : m_nDragY) - m_nDragStart;
            emit SplitterMoved(m_nID, nDelta);
        }
    }
    QWidget::mouseReleaseEvent(pEvent);
}

void CSplitterControl::DrawDragLines()
{
    QWidget* pWindow = window();
    if (!m_pDragLines) m_pDragLines = new CDragLines(pWindow, m_nOrientation == SPLITTER_VERTICAL);
    // The bar's extent across the drag, the drag position along it, in the window's coordinates.
    const QRect bar(mapTo(pWindow, QPoint(0, 0)), size());
    const QPoint drag = parentWidget() ? parentWidget()->mapTo(pWindow, QPoint(m_nDragX, m_nDragY))
                                       : QPoint(m_nDragX, m_nDragY);
    if (m_nOrientation == SPLITTER_VERTICAL)
        m_pDragLines->setGeometry(drag.x() - 1, bar.top(), 3, bar.height());
    else
        m_pDragLines->setGeometry(bar.left(), drag.y() - 1, bar.width(), 3);
    m_pDragLines->raise();
    m_pDragLines->show();
}

void CSplitterControl::HideDragLines()
{
    if (m_pDragLines) m_pDragLines->hide();
}

void CSplitterControl::MoveToPosition(const QPoint& pt)
{
    if (!parentWidget()) return;
    QRect rect = geometry();
    if (m_nOrientation == SPLITTER_VERTICAL)
        rect.translate(pt.x() - Centre(), 0);
    else
        rect.translate(0, pt.y() - Centre());
    setGeometry(rect);
    update();
}

void CSplitterControl::ResizeWidth(QWidget* pWindow, int nDistance, int nEdge)
{
    if (!pWindow || !pWindow->parentWidget()) return;
    QRect rect = pWindow->geometry();
    if (nEdge == MOVE_RIGHT_EDGE)
        rect.setRight(rect.right() + nDistance);
    else if (nEdge == MOVE_LEFT_EDGE)
        rect.setLeft(rect.left() - nDistance);
    pWindow->setGeometry(rect);
    pWindow->update();
}

void CSplitterControl::ResizeHeight(QWidget* pWindow, int nDistance, int nEdge)
{
    if (!pWindow || !pWindow->parentWidget()) return;
    QRect rect = pWindow->geometry();
    if (nEdge == MOVE_BOTTOM_EDGE)
        rect.setBottom(rect.bottom() + nDistance);
    else if (nEdge == MOVE_TOP_EDGE)
        rect.setTop(rect.top() - nDistance);
    pWindow->setGeometry(rect);
    pWindow->update();
}
