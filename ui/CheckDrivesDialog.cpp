#include "ui/CheckDrivesDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CCheckDrivesDialog::CCheckDrivesDialog(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("Varnel Recovery"));
    setAccessibleName(windowTitle());
    auto* pText = new QLabel(QString::fromLatin1(MSG_NO_REMOVABLE_DRIVES), this);
    pText->setWordWrap(true);
    pText->setAccessibleName(pText->text());
    auto* pOk = new QPushButton(QStringLiteral("OK"), this);
    pOk->setObjectName(QStringLiteral("ok"));
    pOk->setAccessibleName(pOk->text());
    pOk->setDefault(true);
    // The button carries the cancel id: dismissing is the notice's only answer.
    connect(pOk, &QPushButton::clicked, this, &QDialog::reject);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(34, 20, 34, 14);
    pLayout->setSpacing(14);
    pLayout->addWidget(pText);
    pLayout->addWidget(pOk, 0, Qt::AlignHCenter);
    pOk->setMinimumWidth(75);
    setMinimumWidth(360);
}
