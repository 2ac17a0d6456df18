#include "ui/DialogTemplate.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

CDialogTemplate::CDialogTemplate(QDialog* pDialog, int nWidth, int nHeight) : m_pDialog(pDialog)
{
    QFontMetrics metrics(pDialog->font());
    const QString strAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // The templates' texts were fitted to a narrow 8-point face; the faces
    // found here run about a fifth wider for the same average letter.
    m_nBaseX = (metrics.horizontalAdvance(strAlphabet) * 6 / 5 / 26 + 1) / 2;
    m_nBaseY = metrics.height();
    pDialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    pDialog->setFixedSize(Units(0, 0, nWidth, nHeight).size());
}

QRect CDialogTemplate::Units(int x, int y, int nWidth, int nHeight) const
{
    return QRect(x * m_nBaseX / 4, y * m_nBaseY / 8, nWidth * m_nBaseX / 4, nHeight * m_nBaseY / 8);
}

void CDialogTemplate::PlaceWidget(QWidget* pWidget, int x, int y, int nWidth, int nHeight) const
{
    pWidget->setParent(m_pDialog);
    pWidget->setGeometry(Units(x, y, nWidth, nHeight));
}

QLabel* CDialogTemplate::Label(const QString& strText, int x, int y, int nWidth, int nHeight,
                               const QString& strName) const
{
    auto* pLabel = Place(new QLabel(strText), x, y, nWidth, nHeight);
    pLabel->setAccessibleName(strName.isEmpty() ? strText.trimmed() : strName);
    return pLabel;
}

QPushButton* CDialogTemplate::Button(const QString& strText, int x, int y, int nWidth, int nHeight) const
{
    auto* pButton = Place(new QPushButton(strText), x, y, nWidth, nHeight);
    pButton->setAccessibleName(strText);
    pButton->setAutoDefault(false);
    return pButton;
}

void CDialogTemplate::Frame(int x, int y, int nWidth, int nHeight) const
{
    if (nHeight == 1) {
        auto* pLine = Place(new QFrame, x, y, nWidth, 1);
        pLine->setFrameShape(QFrame::HLine);
        pLine->setFrameShadow(QFrame::Sunken);
        pLine->setFixedHeight(2);
        return;
    }
    // A bare frame: a group box of the widget style may fill its inside,
    // which would hide the window's background behind the labels in it.
    auto* pBox = Place(new QFrame, x, y, nWidth, nHeight);
    pBox->setFrameShape(QFrame::Box);
    pBox->setFrameShadow(QFrame::Sunken);
    pBox->lower();
}

void CStayingDialog::keyPressEvent(QKeyEvent* pEvent)
{
    if (pEvent->key() == Qt::Key_Escape) return pEvent->accept();
    QDialog::keyPressEvent(pEvent);
}

void CStayingDialog::closeEvent(QCloseEvent* pEvent) { pEvent->ignore(); }

void PostLabelText(QLabel* pLabel, const QString& strText)
{
    QMetaObject::invokeMethod(pLabel, [pLabel, strText] { pLabel->setText(strText); }, Qt::QueuedConnection);
}
