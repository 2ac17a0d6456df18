#include "ui/DialogBackground.h"

#include <QBrush>
#include <QColor>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

void SetDialogBackground(QWidget* pWindow)
{
    QPixmap picture(QStringLiteral(":/background.png"));
    QPalette palette = pWindow->palette();
    // Without the picture the window is still the picture's colour.
    QBrush brush = picture.isNull() ? QBrush(QColor(BACKGROUND_RED, BACKGROUND_GREEN, BACKGROUND_BLUE))
                                    : QBrush(picture);
    palette.setBrush(QPalette::Active, QPalette::Window, brush);
    palette.setBrush(QPalette::Inactive, QPalette::Window, brush);
    palette.setBrush(QPalette::Disabled, QPalette::Window, brush);
    pWindow->setPalette(palette);
    pWindow->setAutoFillBackground(true);
}
