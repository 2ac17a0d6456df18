#pragma once
// The notice that no removable drive was found (removable-media edition).
// A plain dialog in the system's look; OK or the close box dismiss it.

#include <QDialog>

inline constexpr const char* MSG_NO_REMOVABLE_DRIVES =
    "Varnel Recovery didnot find any Removable Device(s).\nYou can attach the Device any time and it will "
    "automatically be added to the Drive List";

class CCheckDrivesDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CCheckDrivesDialog(QWidget* pParent = nullptr);
};
