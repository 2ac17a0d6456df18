#include "ui/DialogBackground.h"

#include <QBrush>
#include <QColor>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

void SetDialogBackground(QWidget* pWindow)
{
    const QPixmap picture(QStringLiteral(":/background.png"));
    const QColor colour(BACKGROUND_RED, BACKGROUND_GREEN, BACKGROUND_BLUE);
    QPalette palette = pWindow->palette();
    // The brush also carries the picture's colour: styles shade toolbars and
    // frames from the window colour, which a bare picture brush gives as black.
    // Without the picture the window is still the picture's colour.
    const QBrush brush = picture.isNull() ? QBrush(colour) : QBrush(colour, picture);
    palette.setBrush(QPalette::Active, QPalette::Window, brush);
    palette.setBrush(QPalette::Inactive, QPalette::Window, brush);
    palette.setBrush(QPalette::Disabled, QPalette::Window, brush);
    pWindow->setPalette(palette);
    pWindow->setAutoFillBackground(true);
}
