#pragma once
// Progress dialogs are laid out in dialog units, as their templates give
// them: a unit is a quarter of the font's average character width across
// and an eighth of its height down, so the layout follows the font in use.

#include <QDialog>
#include <QRect>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

class CDialogTemplate {
public:
    // Sizes the dialog to nWidth x nHeight units of its font, without a system menu.
    CDialogTemplate(QDialog* pDialog, int nWidth, int nHeight);

    QRect Units(int x, int y, int nWidth, int nHeight) const;
    // Places a widget; returns it for further setup.
    template <class T>
    T* Place(T* pWidget, int x, int y, int nWidth, int nHeight) const
    {
        PlaceWidget(pWidget, x, y, nWidth, nHeight);
        return pWidget;
    }
    // A label whose accessible name is its text, or strName when it starts empty.
    QLabel* Label(const QString& strText, int x, int y, int nWidth, int nHeight, const QString& strName = {}) const;
    QPushButton* Button(const QString& strText, int x, int y, int nWidth, int nHeight) const;
    // An untitled group box frame, or an etched horizontal line when nHeight is 1.
    void Frame(int x, int y, int nWidth, int nHeight) const;

private:
    void PlaceWidget(QWidget* pWidget, int x, int y, int nWidth, int nHeight) const;

    QDialog* m_pDialog;
    int m_nBaseX;
    int m_nBaseY;
};

// Sets a label's text on the label's own thread, from any thread: workers
// report into progress windows this way and never wait for them.
void PostLabelText(QLabel* pLabel, const QString& strText);

// A progress window that the user cannot dismiss: neither Escape nor the
// close box takes away the only view of work that is still going on.
class CStayingDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
};
