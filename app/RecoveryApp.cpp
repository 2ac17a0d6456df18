#include "app/RecoveryApp.h"

#include <QCommandLineParser>
#include <cstdio>

#include "app/RecoveryDlg.h"
#include "platform/DriveEnumerator.h"

CRecoveryApp::CRecoveryApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("varnel-recovery"));
    // Lets a Wayland desktop match the window to its desktop entry and icon.
    setDesktopFileName(QStringLiteral("varnel-recovery"));
    setApplicationVersion(QStringLiteral(VARNEL_VERSION));
}

int CRecoveryApp::InitInstance()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Varnel Data Recovery: finds deleted files on NTFS and FAT volumes."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption imageOption(QStringList{QStringLiteral("image")},
                                   QStringLiteral("Offer a disk image file as a drive (repeatable)."),
                                   QStringLiteral("FILE"));
    parser.addOption(imageOption);
    parser.process(*this);

    // Devices first, so that their letters do not depend on the images named.
    CSystemDriveEnumerator enumerator;
    RegisterEnumeratedDrives(enumerator);
    int nStatus = 0;
    for (const QString& strImage : parser.values(imageOption)) {
        std::string strError;
        if (CRecoveryDlg::RegisterImageFile(strImage.toStdString(), &strError) < 0) {
            std::fprintf(stderr, "varnel-recovery: %s\n", strError.c_str());
            nStatus = 2;
        }
    }
    if (nStatus != 0) return nStatus;

    CRecoveryDlg dlg;
    dlg.show();
    return exec();
}
