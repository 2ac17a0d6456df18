#pragma once
// A thin bar that the user drags to share space between the controls on its
// two sides. An outline follows the drag; on release the bar moves to where
// it was dropped and tells its owner how far (SplitterMoved); the owner
// resizes the neighbours. The drag is held within a range around a root.

#include <QWidget>

inline constexpr int SPLITTER_VERTICAL = 1;    // upright, moves left and right
inline constexpr int SPLITTER_HORIZONTAL = 2;  // lying, moves up and down

// Edge codes of ResizeWidth and ResizeHeight.
inline constexpr int MOVE_RIGHT_EDGE = 1;
inline constexpr int MOVE_LEFT_EDGE = 2;
inline constexpr int MOVE_BOTTOM_EDGE = 3;
inline constexpr int MOVE_TOP_EDGE = 4;

class CSplitterControl : public QWidget {
    Q_OBJECT
public:
    explicit CSplitterControl(QWidget* pParent);

    // Puts the bar over rect (parent coordinates), one pixel thick: upright
    // when rect is taller than wide, else lying. Resets the drag range.
    void Create(const QRect& rect, int nID);
    // The drag may reach from nRoot - nBelow to nRoot + nAbove, in the
    // parent's coordinates; a negative root stands for the bar's own centre.
    void SetDragRange(int nBelow, int nAbove, int nRoot = -1);
    // Moves the bar so that its centre line lies on pt (parent coordinates).
    void MoveToPosition(const QPoint& pt);

    // Moves one edge of pWindow by nDistance: MOVE_RIGHT_EDGE adds it to the
    // right edge, MOVE_LEFT_EDGE takes it from the left edge; any other code
    // leaves the window as it is. ResizeHeight does the same with
    // MOVE_BOTTOM_EDGE and MOVE_TOP_EDGE.
    static void ResizeWidth(QWidget* pWindow, int nDistance, int nEdge);
    static void ResizeHeight(QWidget* pWindow, int nDistance, int nEdge);

    int GetID() const { return m_nID; }

    int m_bDragging = 0;
    int m_nOrientation = SPLITTER_VERTICAL;
    // Drag position and the bar's centre when the drag began, in the parent's
    // coordinates: the range is held in the same ones, so the window's place
    // on the screen does not shift it.
    int m_nDragX = 0;
    int m_nDragY = 0;
    int m_nLowLimit = -1;
    int m_nHighLimit = -1;
    int m_nDragStart = 0;

signals:
    // The drag ended nDelta pixels from where it began: right or down is positive.
    void SplitterMoved(int nID, int nDelta);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    // Shows the outline at the drag position; HideDragLines takes it away.
    virtual void DrawDragLines();
    void HideDragLines();

private:
    int Centre() const;
    int Clamp(int nPosition) const;

    int m_nID = 0;
    // The outline: two lines a pixel either side of the drag position, drawn
    // over everything else in the window.
    QWidget* m_pDragLines = nullptr;
};
