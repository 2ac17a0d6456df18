#pragma once
// The About box: product name and version, copyright and web address, and a
// warning against unauthorised copies, over the program's background. Each
// About command opens a new one, which stays until the program ends; OK and
// the close box only hide it.

#include <QDialog>

class QLabel;

inline constexpr const char* ABOUT_CAPTION = "About Varnel Recovery";
inline constexpr const char* PRODUCT_VERSION = "1.0.0";

class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    QLabel* m_staticProduct = nullptr;
    QLabel* m_staticWarning2 = nullptr;
    QLabel* m_staticWarning1 = nullptr;
    QLabel* m_staticCopyright = nullptr;

private:
    // A picture at (x, y) dialog units, at its own size in pixels.
    QLabel* Picture(const QString& strPath, const QSize& size, const QString& strName, const QPoint& at);
};
