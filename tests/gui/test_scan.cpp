// Scanning from the main window over real volumes: the pre-scan check, the
// scan thread with pause and stop, tree building on its worker, the totals,
// and closing or New Scan while a scan runs.

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "model/EditionProfile.h"
#include "model/ItemPath.h"
#include "model/ScanCheck.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/FileListModel.h"
#include "ui/ResultTreeModel.h"
#include "ui/ShowScanProgress.h"
#include "ui/TreeCtrlCh.h"
#include "ui/TreeProgress.h"

using namespace guitest;

namespace {

const QString STOP_QUESTION = QString::fromLatin1(MSG_CONFIRM_STOP_SCAN);
const QStringList LARGE_TREE{"Folder", "Folder/Notes file.txt"};

QString Summary(int nFolders, int nFiles)
{
    return QStringLiteral("Total Number of Folder(s) Found: %1    Total Number of File(s) Found: %2")
        .arg(nFolders)
        .arg(nFiles);
}

// Every item below a drive as its "/"-joined path.
QStringList TreePaths(const CResultItem* pDrive)
{
    QStringList paths;
    std::vector<const CResultItem*> pending{pDrive};
    while (!pending.empty()) {
        const CResultItem* p = pending.back();
        pending.pop_back();
        if (p != pDrive) paths << QString::fromStdString(ItemRelativePath(p));
        for (size_t i = 0; i < p->GetChildCount(); ++i) pending.push_back(p->GetChild(i));
    }
    paths.sort();
    return paths;
}

void SaveShot(QWidget* pWidget, const QString& strName)
{
    QDir().mkpath(QStringLiteral(VARNEL_GUI_ARTIFACT_DIR));
    pWidget->grab().save(QStringLiteral(VARNEL_GUI_ARTIFACT_DIR "/%1.png").arg(strName));
}

// Waits until the scan thread holds still at the pause gate: its position
// stops changing.
QString SettledPosition(CRecoveryDlg& dlg)
{
    QString strLast;
    for (int i = 0; i < 50; ++i) {
        QTest::qWait(60);
        QString strNow = dlg.m_pScanProgress->m_staticCurrent->text();
        if (strNow == strLast && !strNow.isEmpty()) return strNow;
        strLast = strNow;
    }
    return {};
}

// Selects the drive and starts its scan; the scan's progress dialog.
CShowScanProgress* StartScan(CRecoveryDlg& dlg, const std::string& strLetter)
{
    Select(dlg, dlg.FindDriveItem(strLetter));
    dlg.OnScan();
    return dlg.m_pScanProgress;
}

// What the system delivers for a double click: press, release, double click, release.
void DoubleClick(QWidget* pWidget, QPoint at)
{
    QTest::mouseClick(pWidget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(pWidget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, at);
}

}  // namespace

class CTestScan : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { ResetMachine("1"); }
    void cleanup() { ResetMachine(); }

    void formatBinary_data();
    void formatBinary();
    void animationLines();
    void treePercentage_data();
    void treePercentage();

    void scanIgnoredOnRootFolderAndScannedDrive();
    void refusedBeforeAnyDialog_data();
    void refusedBeforeAnyDialog();
    void scanBuildsTheTreeAndTotalsAccumulate();
    void emptyDriveShowsSummaryThenNoDataAndCanBeScannedAgain();
    void doubleClickAsksBeforeScanning();
    void pauseHoldsTheScanAndResumeGoesOn();
    void stopDeclinedLetsTheScanGoOn();
    void stopConfirmedBuildsThePartialTreeOfTheScannedDrive();
    void stopConfirmedAfterTreePhaseBeganChangesNothing();
    void closingDuringAScanEndsCleanly_data();
    void closingDuringAScanEndsCleanly();
    void newScanEndsTheScanAndListsDrivesAgain();

private:
    CFatVolume m_fat;
    QString m_strLarge;
};

void CTestScan::initTestCase()
{
    m_fat = MakeFatVolume(QStringLiteral("scan-fat"));
    QVERIFY(!m_fat.m_strImage.isEmpty());
    m_strLarge = MakeLargeFatVolume(QStringLiteral("scan-large"), 1024);
    QVERIFY(!m_strLarge.isEmpty());
}

void CTestScan::formatBinary_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("text");
    QTest::newRow("5") << 5 << " 101";
    QTest::newRow("0") << 0 << " 0";
    QTest::newRow("-6") << -6 << "-110";
    QTest::newRow("most negative") << int(INT32_MIN) << "-0";
    QTest::newRow("largest") << int(INT32_MAX) << " " + QString(31, QLatin1Char('1'));
}

void CTestScan::formatBinary()
{
    QFETCH(int, n);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(CShowScanProgress::FormatBinary(n)), text);
}

void CTestScan::animationLines()
{
    QCOMPARE(CShowScanProgress::AnimationLine(5), "01010101");
    QCOMPARE(CShowScanProgress::AnimationLine(-6), "01100110");
    QCOMPARE(CShowScanProgress::AnimationLine(0), "0000");
    // Steps of 25, shown full past 100, then from 0 again; the seed (1 when
    // the dialog starts) times each line's multiplier, then times 9999.
    CShowScanProgress dialog;
    dialog.StopAnimation();
    const int bars[] = {25, 50, 75, 100, 100, 0, 25};
    int32_t nSeed = 1;
    for (int nBar : bars) {
        dialog.OnAnimationStep();
        QCOMPARE(dialog.m_progress->value(), nBar);
        QCOMPARE(dialog.m_staticLines[0]->text(), CShowScanProgress::AnimationLine(nSeed * 1800));
        QCOMPARE(dialog.m_staticLines[3]->text(), CShowScanProgress::AnimationLine(nSeed * 2010));
        nSeed = static_cast<int32_t>(static_cast<uint32_t>(nSeed) * 9999u);
    }
}

void CTestScan::treePercentage_data()
{
    QTest::addColumn<QString>("calls");  // "done/total" in order; "closing" sets the window's flag
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bar");
    QTest::newRow("0 of 50 is shown") << "0/50" << "0 %" << 0;
    QTest::newRow("1 of 3") << "1/3" << "33 %" << 33;
    QTest::newRow("same again changes nothing") << "1/3 1/3" << "33 %" << 33;
    QTest::newRow("2 of 3") << "1/3 2/3" << "66 %" << 66;
    QTest::newRow("never backwards") << "2/3 1/3" << "66 %" << 66;
    QTest::newRow("above 100 ignored") << "250/100" << "" << 0;
    QTest::newRow("total 0 ignored") << "5/0" << "" << 0;
    QTest::newRow("100 at the end") << "1/3 100/100" << "100 %" << 100;
    QTest::newRow("large counts") << "3000000000/4000000000" << "75 %" << 75;
    QTest::newRow("nothing once closing") << "1/3 closing 2/3" << "33 %" << 33;
}

void CTestScan::treePercentage()
{
    QFETCH(QString, calls);
    QFETCH(QString, text);
    QFETCH(int, bar);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    CTreeProgress progress(&dlg);
    progress.m_pMainDlg = &dlg;
    for (const QString& strCall : calls.split(' ')) {
        if (strCall == "closing") {
            dlg.m_bClosing = true;
            continue;
        }
        QStringList parts = strCall.split('/');
        QCOMPARE(progress.UpdateProgress(parts[0].toLongLong(), parts[1].toLongLong()), 0);
    }
    QCOMPARE(progress.m_staticPercent->text(), text);
    QCOMPARE(progress.m_progress->value(), bar);
    if (QByteArray(QTest::currentDataTag()) == "2 of 3") SaveShot(&progress, QStringLiteral("tree-progress"));
}

void CTestScan::scanIgnoredOnRootFolderAndScannedDrive()
{
    std::string strLetter = AddImageDrive(m_fat.m_strImage);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    Select(dlg, dlg.m_resultTree.GetRoot());
    dlg.OnScan();
    QVERIFY(!dlg.m_pScanProgress);
    QVERIFY(ScanToEnd(dlg, strLetter));
    CShowScanProgress* pFirst = dlg.m_pScanProgress;
    dlg.m_messages.clear();
    for (const QString& strAddress : {QStringLiteral("C:\\Docs"), QStringLiteral("C:\\")}) {
        Select(dlg, dlg.NavigateToPath(strAddress, true));
        dlg.OnScan();
        QCOMPARE(dlg.m_pScanProgress, pFirst);
        QVERIFY(!dlg.m_bScanning);
    }
    QVERIFY(dlg.m_messages.isEmpty());
}

void CTestScan::refusedBeforeAnyDialog_data()
{
    QTest::addColumn<QString>("edition");
    QTest::addColumn<bool>("unreadable");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("caption");
    QTest::newRow("FAT under edition 3") << "3" << false << "Sorry this application does not support FAT file system"
                                         << "Varnel Data Recovery";
    QTest::newRow("unreadable source") << "1" << true << QString::fromLatin1(MSG_DRIVE_UNREADABLE) << "Error Message";
}

void CTestScan::refusedBeforeAnyDialog()
{
    QFETCH(QString, edition);
    QFETCH(bool, unreadable);
    QFETCH(QString, message);
    QFETCH(QString, caption);
    ResetMachine(edition.toStdString());
    QString strImage = m_fat.m_strImage;
    if (unreadable) {
        // Listed while it could be read; gone by the time its engine opens it.
        strImage = m_fat.m_strImage + ".gone";
        QFile::remove(strImage);
        QVERIFY(QFile::copy(m_fat.m_strImage, strImage));
    }
    std::string strLetter = AddImageDrive(strImage);
    if (unreadable) QFile::remove(strImage);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    StartScan(dlg, strLetter);
    QCOMPARE(dlg.m_messages, QStringList{message});
    QCOMPARE(dlg.m_captions, QStringList{caption});
    QVERIFY(!dlg.m_pScanProgress);
    QVERIFY(!dlg.m_bScanning);
}

void CTestScan::scanBuildsTheTreeAndTotalsAccumulate()
{
    std::string strFirst = AddImageDrive(m_fat.m_strImage);
    QString strCopy = m_fat.m_strImage + ".copy";
    QFile::remove(strCopy);
    QVERIFY(QFile::copy(m_fat.m_strImage, strCopy));
    std::string strSecond = AddImageDrive(strCopy);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.show();
    QVERIFY(ScanToEnd(dlg, strFirst));
    QCOMPARE(dlg.m_messages, QStringList{Summary(m_fat.m_nFolders, m_fat.m_nFiles)});
    QCOMPARE(dlg.m_captions, QStringList{"Varnel Data Recovery for FAT"});
    CResultItem* pDrive = dlg.FindDriveItem(strFirst);
    QStringList expected{"Docs", "Docs/Old notes.txt", "Docs/Report.txt", "Docs/Sub", "Docs/Sub/Deep data.bin",
                         "Docs/Sub/Empty", "Gone", "Gone/Photo.jpg", "HORT.TXT", "HORT.TXT", "Top file.txt"};
    QCOMPARE(TreePaths(pDrive), expected);
    QVERIFY(dlg.NavigateToPath("C:\\Gone", true)->IsDeleted());
    // The drive is expanded and listed; both dialogs are hidden, the bar at 100.
    QVERIFY(dlg.m_tree->isExpanded(dlg.m_pTreeModel->IndexOf(pDrive)));
    QCOMPARE(dlg.m_pListModel->ShownParent(), pDrive);
    QVERIFY(!dlg.m_pScanProgress->isVisible());
    QVERIFY(!dlg.m_pTreeProgress->isVisible());
    QCOMPARE(dlg.m_pTreeProgress->m_staticPercent->text(), "100 %");
    QCOMPARE(dlg.m_helpTip->text(), "Help Tip:Select file/folder and press Recovery");
    QVERIFY(!dlg.m_bScanning && !dlg.m_bTreePhase && !dlg.m_bTreeDone && dlg.m_bScanRunning == 0);
    // The engine's entries are released once the tree is built.
    QVERIFY(!dlg.m_pFileSystem[static_cast<size_t>(CRecoveryDlg::GetDriveNumber(strFirst))]->m_pFound);

    dlg.m_messages.clear();
    QVERIFY(ScanToEnd(dlg, strSecond));
    QCOMPARE(dlg.m_messages, QStringList{Summary(2 * m_fat.m_nFolders, 2 * m_fat.m_nFiles)});
    QCOMPARE(TreePaths(dlg.FindDriveItem(strSecond)), expected);
}

void CTestScan::emptyDriveShowsSummaryThenNoDataAndCanBeScannedAgain()
{
    ResetMachine("3");
    QString strImage = MakeEmptyNtfsVolume(QStringLiteral("scan-empty-ntfs"));
    QVERIFY(!strImage.isEmpty());
    std::string strLetter = AddImageDrive(strImage);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    const QStringList expected{Summary(0, 0), QString::fromLatin1(MSG_NO_DATA)};
    for (int nScan = 0; nScan < 2; ++nScan) {
        dlg.m_messages.clear();
        dlg.m_captions.clear();
        QVERIFY(ScanToEnd(dlg, strLetter));
        QCOMPARE(dlg.m_messages, expected);
        QCOMPARE(dlg.m_captions, QStringList(2, "Varnel Data Recovery for NTFS"));
        QVERIFY(!dlg.FindDriveItem(strLetter)->HasChildren());
    }
}

void CTestScan::doubleClickAsksBeforeScanning()
{
    std::string strLetter = AddImageDrive(m_fat.m_strImage);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    CResultItem* pDrive = dlg.FindDriveItem(strLetter);
    QPoint at = dlg.m_tree->visualRect(dlg.m_pTreeModel->IndexOf(pDrive)).center();
    dlg.m_answers = {QMessageBox::No};
    DoubleClick(dlg.m_tree->viewport(), at);
    QCOMPARE(dlg.m_messages, QStringList{"Do you want to Scan this Drive?"});
    QCOMPARE(dlg.m_captions, QStringList{"Please Confirm Drive Scan"});
    QVERIFY(!dlg.m_pScanProgress);

    dlg.m_answers = {QMessageBox::Yes};
    DoubleClick(dlg.m_tree->viewport(), at);
    QVERIFY(dlg.m_pScanProgress);
    QTRY_VERIFY_WITH_TIMEOUT(pDrive->HasChildren() && !dlg.IsWorking(), 30000);
    // A drive with results is not offered again.
    dlg.m_messages.clear();
    DoubleClick(dlg.m_tree->viewport(), at);
    QVERIFY(!dlg.m_messages.contains("Do you want to Scan this Drive?"));
}

void CTestScan::pauseHoldsTheScanAndResumeGoesOn()
{
    std::string strLetter = AddImageDrive(m_strLarge);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.show();
    CShowScanProgress* pProgress = StartScan(dlg, strLetter);
    QVERIFY(pProgress && pProgress->isVisible());
    QCOMPARE(pProgress->m_pauseButton->text(), "Pause Scan");
    QCOMPARE(dlg.m_helpTip->text(), "Help Tip: Select Stop Scan if you want to quit Scan");
    QTest::mouseClick(pProgress->m_pauseButton, Qt::LeftButton);
    QCOMPARE(pProgress->m_pauseButton->text(), "Resume");
    QString strPosition = SettledPosition(dlg);
    QVERIFY(!strPosition.isEmpty());
    QString strFound = pProgress->m_staticFound->text();
    QString strLine = pProgress->m_staticLines[0]->text();
    int nBar = pProgress->m_progress->value();
    QTest::qWait(400);
    // Nothing moves while paused: counters, digits, bar.
    QCOMPARE(pProgress->m_staticCurrent->text(), strPosition);
    QCOMPARE(pProgress->m_staticFound->text(), strFound);
    QCOMPARE(pProgress->m_staticLines[0]->text(), strLine);
    QCOMPARE(pProgress->m_progress->value(), nBar);
    QCOMPARE(dlg.m_bScanRunning.load(), 1);
    QVERIFY(dlg.m_bScanning);
    SaveShot(pProgress, QStringLiteral("scan-progress-paused"));

    QTest::mouseClick(pProgress->m_pauseButton, Qt::LeftButton);
    QCOMPARE(pProgress->m_pauseButton->text(), "Pause");
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.m_bScanning && !dlg.IsWorking(), 60000);
    QVERIFY(pProgress->m_staticCurrent->text().toULongLong() > strPosition.toULongLong());
    QCOMPARE(TreePaths(dlg.FindDriveItem(strLetter)), LARGE_TREE);
}

void CTestScan::stopDeclinedLetsTheScanGoOn()
{
    std::string strLetter = AddImageDrive(m_strLarge);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    CShowScanProgress* pProgress = StartScan(dlg, strLetter);
    QTest::mouseClick(pProgress->m_pauseButton, Qt::LeftButton);
    QString strPosition = SettledPosition(dlg);
    int nAsked = 0;
    dlg.m_fnWhileOpen = [&](const QString& strText) {
        if (strText != STOP_QUESTION) return;
        ++nAsked;
        // The scan waits while it is asked; pressing Stop Scan again asks nothing more.
        QVERIFY(pProgress->m_gate.IsHeld());
        QVERIFY(pProgress->m_bStopRequested);
        QTest::mouseClick(pProgress->m_stopButton, Qt::LeftButton);
        dlg.OnStopCommand();
        QTest::qWait(20);
    };
    dlg.m_answers = {QMessageBox::No, QMessageBox::No};
    QTest::mouseClick(pProgress->m_stopButton, Qt::LeftButton);
    QVERIFY(pProgress->m_bStopRequested);
    QTRY_COMPARE(nAsked, 1);
    QVERIFY(!pProgress->m_bStopRequested);
    // Declined while paused: still paused, where it was.
    QVERIFY(pProgress->m_gate.IsHeld());
    QCOMPARE(pProgress->m_pauseButton->text(), "Resume");
    QTest::qWait(200);
    QCOMPARE(pProgress->m_staticCurrent->text(), strPosition);
    // The toolbar's Stop Scan asks again.
    dlg.OnStopCommand();
    QTRY_COMPARE(nAsked, 2);
    QTest::mouseClick(pProgress->m_pauseButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.m_bScanning && !dlg.IsWorking(), 60000);
    QCOMPARE(nAsked, 2);
    QVERIFY(pProgress->m_staticCurrent->text().toULongLong() > strPosition.toULongLong());
    QVERIFY(!dlg.m_pFileSystem[static_cast<size_t>(CRecoveryDlg::GetDriveNumber(strLetter))]->m_bStopScan);
    QCOMPARE(TreePaths(dlg.FindDriveItem(strLetter)), LARGE_TREE);
    // With no scan running Stop does nothing.
    dlg.OnStopCommand();
    QTest::qWait(50);
    QCOMPARE(nAsked, 2);
}

void CTestScan::stopConfirmedBuildsThePartialTreeOfTheScannedDrive()
{
    std::string strLarge = AddImageDrive(m_strLarge);
    std::string strOther = AddImageDrive(m_fat.m_strImage);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    CShowScanProgress* pProgress = StartScan(dlg, strLarge);
    // Held at once and let on in short steps until past the folder's cluster,
    // so that a fast machine cannot finish the scan before it is stopped.
    QTest::mouseClick(pProgress->m_pauseButton, Qt::LeftButton);
    QString strPosition = SettledPosition(dlg);
    for (int i = 0; i < 200 && strPosition.toULongLong() <= 5000; ++i) {
        QTest::mouseClick(pProgress->m_pauseButton, Qt::LeftButton);
        QTest::mouseClick(pProgress->m_pauseButton, Qt::LeftButton);
        strPosition = SettledPosition(dlg);
    }
    QVERIFY(strPosition.toULongLong() > 5000);
    // The selection moves during the scan; the tree still goes to the scanned drive.
    Select(dlg, dlg.FindDriveItem(strOther));
    dlg.m_answers = {QMessageBox::Yes};
    QTest::mouseClick(pProgress->m_stopButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsWorking() && !dlg.m_bScanning, 30000);
    QCOMPARE(dlg.m_messages.first(), STOP_QUESTION);
    QCOMPARE(dlg.m_captions.first(), "Please Confirm Stop Scan");
    QCOMPARE(dlg.m_messages.last(), Summary(1, 1));
    QCOMPARE(TreePaths(dlg.FindDriveItem(strLarge)), LARGE_TREE);
    QVERIFY(!dlg.FindDriveItem(strOther)->HasChildren());
    // It ended where it was paused, short of the end.
    QCOMPARE(pProgress->m_staticCurrent->text(), strPosition);
    QVERIFY(strPosition.toULongLong() < pProgress->m_staticTotal->text().toULongLong());
    QVERIFY(!dlg.m_bScanStopped && !dlg.m_bTreePhase && dlg.m_bScanRunning == 0);
    QVERIFY(!pProgress->isVisible());
    QCOMPARE(dlg.m_helpTip->text(), "Help Tip:Select file/folder and press Recovery");
}

void CTestScan::stopConfirmedAfterTreePhaseBeganChangesNothing()
{
    std::string strLetter = AddImageDrive(m_strLarge);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    CShowScanProgress* pProgress = StartScan(dlg, strLetter);
    dlg.m_fnWhileOpen = [&](const QString& strText) {
        if (strText != STOP_QUESTION) return;
        // While the question is open the engine reaches its end after all.
        pProgress->m_gate.Release();
        QTRY_VERIFY_WITH_TIMEOUT(dlg.m_bTreePhase || !dlg.m_bScanning, 60000);
        pProgress->m_gate.Hold();
    };
    dlg.m_answers = {QMessageBox::Yes};
    QTest::mouseClick(pProgress->m_stopButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsWorking() && !dlg.m_bScanning, 60000);
    QVERIFY(dlg.m_messages.contains(STOP_QUESTION));
    QVERIFY(!dlg.m_pFileSystem[static_cast<size_t>(CRecoveryDlg::GetDriveNumber(strLetter))]->m_bStopScan);
    QCOMPARE(TreePaths(dlg.FindDriveItem(strLetter)), LARGE_TREE);
    QVERIFY(!dlg.m_bScanStopped);
    QVERIFY(dlg.isEnabled() && pProgress->isEnabled());
    QVERIFY(!pProgress->m_gate.IsHeld());
}

void CTestScan::closingDuringAScanEndsCleanly_data()
{
    QTest::addColumn<QString>("state");
    QTest::newRow("running") << "running";
    QTest::newRow("paused") << "paused";
    QTest::newRow("asking whether to stop") << "asking";
}

void CTestScan::closingDuringAScanEndsCleanly()
{
    QFETCH(QString, state);
    std::string strLetter = AddImageDrive(m_strLarge);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.show();
    StartScan(dlg, strLetter);
    if (state == "paused") {
        QTest::mouseClick(dlg.m_pScanProgress->m_pauseButton, Qt::LeftButton);
        QVERIFY(!SettledPosition(dlg).isEmpty());
    } else if (state == "asking") {
        // The window closes while the question is open.
        dlg.m_fnWhileOpen = [&](const QString& strText) {
            if (strText == STOP_QUESTION) dlg.close();
        };
        dlg.m_answers = {QMessageBox::No};
        dlg.OnStopCommand();
        QTRY_VERIFY(dlg.m_bClosing);
    } else {
        QTRY_VERIFY(!dlg.m_pScanProgress->m_staticCurrent->text().isEmpty());
    }
    dlg.close();
    QVERIFY(dlg.m_bClosing);
    QVERIFY(!dlg.IsWorking());
    QVERIFY(!dlg.isVisible());
    // Nothing is reported once closing has begun.
    QVERIFY(!dlg.m_messages.contains(Summary(1, 1)));
}

void CTestScan::newScanEndsTheScanAndListsDrivesAgain()
{
    std::string strSmall = AddImageDrive(m_fat.m_strImage);
    std::string strLarge = AddImageDrive(m_strLarge);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    QVERIFY(ScanToEnd(dlg, strSmall));
    StartScan(dlg, strLarge);
    QTRY_VERIFY(!dlg.m_pScanProgress->m_staticCurrent->text().isEmpty());
    dlg.m_messages.clear();
    dlg.m_answers = {QMessageBox::No};
    dlg.OnNewScan();
    QCOMPARE(dlg.m_messages, QStringList{QString::fromLatin1(MSG_CONFIRM_NEW_SCAN)});
    QCOMPARE(dlg.m_captions.last(), "Start New Scan");
    QVERIFY(dlg.m_bScanning);

    dlg.m_answers = {QMessageBox::Yes};
    dlg.OnNewScan();
    QVERIFY(!dlg.IsWorking() && !dlg.m_bScanning);
    QVERIFY(!dlg.m_pScanProgress->isVisible());
    QCOMPARE(dlg.m_messages.size(), 2);  // no summary of the ended scan
    QVERIFY(!dlg.FindDriveItem(strSmall)->HasChildren());
    QVERIFY(!dlg.FindDriveItem(strLarge)->HasChildren());
    QCOMPARE(dlg.m_pListModel->rowCount(), 0);
    QVERIFY(ScanToEnd(dlg, strSmall));
    QCOMPARE(TreePaths(dlg.FindDriveItem(strSmall)).size(), 11);
}

QTEST_MAIN(CTestScan)
#include "test_scan.moc"
