#include "ui/AboutDlg.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "ui/DialogBackground.h"
#include "ui/DialogTemplate.h"

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(QString::fromLatin1(ABOUT_CAPTION));
    setAccessibleName(windowTitle());
    setObjectName(QStringLiteral("aboutBox"));
    CDialogTemplate t(this, 258, 178);
    setWindowFlags(windowFlags() | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    SetDialogBackground(this);

    t.Frame(6, 0, 244, 64);
    t.Frame(5, 97, 246, 56);
    Picture(QStringLiteral(":/about/disk.png"), QSize(41, 44), QStringLiteral("Hard disk"), t.Units(10, 23, 0, 0).topLeft());
    Picture(QStringLiteral(":/about/logo.png"), QSize(28, 45), QStringLiteral("Varnel logo"), t.Units(105, 68, 0, 0).topLeft());
    // Filled in by whoever opens the box.
    m_staticProduct = t.Label({}, 40, 11, 205, 18, QStringLiteral("Product"));
    m_staticProduct->setTextFormat(Qt::PlainText);
    m_staticCopyright = t.Label(QStringLiteral("Copyright \u00A9 2026 Varnel Software. All rights reserved.\n"
                                               "https://www.varnelrecovery.com"),
                                41, 41, 182, 17);
    m_staticWarning1 = t.Label(QStringLiteral("Warning: this program is protected by copyright law and international "
                                              "treaties. Copying or distributing it, or any part of it, without the "
                                              "permission of Varnel Software may lead to civil and criminal penalties"),
                               9, 102, 235, 34);
    m_staticWarning1->setWordWrap(true);
    m_staticWarning2 = t.Label(QStringLiteral("and will be prosecuted as far as the law allows."), 9, 135, 206, 8);
    for (QLabel* pLabel : {m_staticCopyright, m_staticWarning1, m_staticWarning2}) pLabel->setTextFormat(Qt::PlainText);

    QPushButton* pOk = t.Button(QStringLiteral("OK"), 102, 158, 50, 14);
    pOk->setObjectName(QStringLiteral("ok"));
    pOk->setDefault(true);
    pOk->setAutoDefault(true);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
}

QLabel* CAboutDlg::Picture(const QString& strPath, const QSize& size, const QString& strName, const QPoint& at)
{
    auto* pPicture = new QLabel(this);
    // Through QIcon, so that a screen of higher density gets the finer picture.
    pPicture->setPixmap(QIcon(strPath).pixmap(size, devicePixelRatioF()));
    pPicture->setGeometry(QRect(at, size));
    pPicture->setAccessibleName(strName);
    return pPicture;
}
