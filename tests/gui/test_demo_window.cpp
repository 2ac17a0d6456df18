// The main window with the bundled demo volume scanned by the real NTFS
// engine: what a user sees first, kept as a picture for a person to look at.

#include <QDir>
#include <QProcess>
#include <QTest>

#include "fs/FileSystem.h"
#include "model/TreeBuilder.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/FileListModel.h"

using namespace guitest;

class CTestDemoWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetMachine(); }
    void cleanup() { ResetMachine(); }
    void scannedDemoVolumeShowsItsTopLevel();
};

void CTestDemoWindow::scannedDemoVolumeShowsItsTopLevel()
{
    const QString strImage = QStringLiteral(VARNEL_FIXTURE_DIR "/demo-window.img");
    QDir().mkpath(VARNEL_FIXTURE_DIR);
    QCOMPARE(QProcess::execute("zstd", {"-q", "-d", "-f", VARNEL_SOURCE_DIR "/res/demo/demo-ntfs.img.zst", "-o",
                                        strImage}),
             0);
    std::string strError;
    const int nDrive = CRecoveryDlg::RegisterImageFile(strImage.toStdString(), &strError);
    QVERIFY2(nDrive >= 0, strError.c_str());
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.resize(900, 600);
    dlg.show();

    CFileSystem* pEngine = dlg.m_pFileSystem[static_cast<size_t>(nDrive)].get();
    QVERIFY(pEngine && pEngine->m_bBootLoaded);
    pEngine->ScanDrive(nDrive, nullptr);
    std::unique_ptr<CFoundArray> pFound = pEngine->TakeFound();
    QVERIFY(pFound);
    CResultItem built("C", IMAGE_DRIVE);
    CTreeBuilder().Build(*pFound, 5, &built, false);
    CResultItem* pDriveItem = dlg.FindDriveItem(DriveLetter(nDrive));
    QVERIFY(pDriveItem);
    dlg.AdoptScanResult(pDriveItem, built);

    QStringList listed;
    for (int i = 0; i < dlg.m_pListModel->rowCount(); ++i)
        listed << dlg.m_pListModel->index(i, 0).data().toString();
    QCOMPARE(listed, QStringList({"documents", "music", "photos", "readme.txt"}));

    QDir().mkpath(VARNEL_GUI_ARTIFACT_DIR);
    QVERIFY(dlg.grab().save(VARNEL_GUI_ARTIFACT_DIR "/main-window-demo.png"));
}

QTEST_MAIN(CTestDemoWindow)
#include "test_demo_window.moc"
