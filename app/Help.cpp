// The commands that lead outside the recovery work: the help, the About box
// and the feedback page.

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QUrl>

#include "app/RecoveryDlg.h"
#include "ui/AboutDlg.h"

bool CRecoveryDlg::ShellOpen(const QUrl& url) { return QDesktopServices::openUrl(url); }

QString CRecoveryDlg::FindHelpManual()
{
    // Installed beside the program, where the build installs it, or in the
    // source tree of a build that was never installed.
    const QStringList candidates{
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/varnel-recovery/help/index.html"),
        QStringLiteral(VARNEL_HELP_INSTALL_DIR "/index.html"),
        QStringLiteral(VARNEL_HELP_SOURCE_DIR "/index.html"),
    };
    for (const QString& strPath : candidates)
        if (QFileInfo(strPath).isFile()) return QFileInfo(strPath).canonicalFilePath();
    return {};
}

void CRecoveryDlg::OnHelpIndex()
{
    // "Help.chm" is looked for where the program was started from, not where it lies.
    const QString strHelpFile = QString::fromLatin1(HELP_FILE_NAME);
    if (QFileInfo(strHelpFile).isFile()) {
        ShellOpen(QUrl::fromLocalFile(QDir::current().absoluteFilePath(strHelpFile)));
        return;
    }
    MessageBox(QString::fromLatin1(MSG_HELP_NOT_FOUND) + strHelpFile, QString::fromLatin1(CAPTION_HELP_ERROR),
               QMessageBox::Ok, QMessageBox::Critical);
    // The manual that comes with the program stands in for the missing file.
    const QString strManual = FindHelpManual();
    if (!strManual.isEmpty()) ShellOpen(QUrl::fromLocalFile(strManual));
}

void CRecoveryDlg::OnAbout()
{
    // Modeless, and a new one each time: several can be open at once.
    auto* pBox = new CAboutDlg(this);
    pBox->m_staticProduct->setText(QStringLiteral("Product Name:    ") + ProductTitleText() +
                                   QStringLiteral("\nProduct Version:  ") + QString::fromLatin1(PRODUCT_VERSION));
    pBox->setModal(false);
    pBox->show();
}

void CRecoveryDlg::OnFeedback() { ShellOpen(QUrl(QString::fromLatin1(FEEDBACK_URL))); }
