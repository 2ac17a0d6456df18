// Recovering from the main window over real volumes: files and folders from
// the tree, items from the list, the folder picker answered as a user would,
// the refusal of the scanned volume, failures that do not end a run, Pause
// and Cancel, and the recovery progress dialog itself.

#include <QCheckBox>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <map>
#include <sys/resource.h>

#include "model/EditionProfile.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/FileListModel.h"
#include "ui/RecoveryProgress.h"
#include "ui/TreeCtrlCh.h"

using namespace guitest;

namespace {

const QString CANCEL_QUESTION = QString::fromLatin1(MSG_CONFIRM_STOP_RECOVERY);

// Answers the next folder picker: chooses strFolder (cancels when empty),
// after fnWhileOpen has run. The title it showed goes to *pTitle.
void AnswerFolderPicker(const QString& strFolder, QString* pTitle = nullptr, std::function<void()> fnWhileOpen = {})
{
    auto* pTimer = new QTimer;
    pTimer->setInterval(10);
    QObject::connect(pTimer, &QTimer::timeout, [=] {
        auto* pPicker = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!pPicker || !pPicker->isVisible()) return;
        pTimer->stop();
        pTimer->deleteLater();
        if (pTitle) *pTitle = pPicker->windowTitle();
        if (fnWhileOpen) fnWhileOpen();
        if (strFolder.isEmpty()) return pPicker->reject();
        // Typed into the name field, as a user would.
        auto* pName = pPicker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(pName);
        pName->setText(strFolder);
        static_cast<QDialog*>(pPicker)->accept();
    });
    pTimer->start();
}

// Every file and folder below a folder: "a/b" -> bytes (folders: "<dir>").
std::map<QString, QByteArray> Contents(const QString& strFolder)
{
    std::map<QString, QByteArray> contents;
    QDirIterator it(strFolder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString strPath = it.next();
        QString strRelative = QDir(strFolder).relativeFilePath(strPath);
        QFile file(strPath);
        if (it.fileInfo().isDir())
            contents[strRelative] = "<dir>";
        else if (file.open(QIODevice::ReadOnly))
            contents[strRelative] = file.readAll();
    }
    return contents;
}

// A size limit on the files this process writes: writes beyond it fail.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t nBytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = nBytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// The bundled demo NTFS volume, unpacked under the fixture folder.
QString DemoImage(const QString& strName)
{
    const QString strImage = QStringLiteral(VARNEL_FIXTURE_DIR "/gui/%1.img").arg(strName);
    bool bOk = RunTool(QStringLiteral("zstd"), {QStringLiteral("-q"), QStringLiteral("-d"), QStringLiteral("-f"),
                                                 QStringLiteral(VARNEL_SOURCE_DIR "/res/demo/demo-ntfs.img.zst"),
                                                 QStringLiteral("-o"), strImage});
    return bOk ? strImage : QString();
}

}  // namespace

class CTestRecover : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void progressRules_data();
    void progressRules();
    void fileFromTheTree_data();
    void fileFromTheTree();
    void folderWithItsWholeSubtree();
    void listRunGoesOnPastAFailingItem();
    void treeRunGoesOnPastAFailingFile();
    void sameNamedFilesOfOneFolderAreBothKept();
    void nothingForRootDriveOrCancelledPicker();
    void destinationOnTheScannedVolumeIsRefused_data();
    void destinationOnTheScannedVolumeIsRefused();
    void cancelDeclinedWhilePausedStaysPaused();
    void cancelConfirmedStopsAndRecoverWorksAgain();
    void closeOnCompletionIsKeptForTheNextRun();
    void escapeOnlyHidesTheDialog();
    void eachDriveIsWrittenByItsOwnEngine();

private:
    // Scans the FAT volume into a fresh window.
    void OpenScanned();
    void SelectInTree(const QString& strAddress);
    // Selects list rows by their texts (every row of a text) and clicks the list.
    void SelectInList(const QStringList& texts);
    QByteArray Bytes(const std::string& strTreePath) const;
    // Runs Recover into the folder (fnWhileOpen runs while the picker is up)
    // and waits for the run to end.
    bool RecoverAndWait(const QString& strFolder, std::function<void()> fnWhileOpen = {});

    CFatVolume m_fat;
    std::unique_ptr<CFakeEnumerator> m_pDrives;
    std::unique_ptr<CTestDlg> m_pDlg;
    std::unique_ptr<QTemporaryDir> m_pOut;
    std::string m_strLetter;
};

void CTestRecover::initTestCase()
{
    m_fat = MakeFatVolume(QStringLiteral("recover-fat"));
    QVERIFY(!m_fat.m_strImage.isEmpty());
}

void CTestRecover::init()
{
    ResetMachine("1");
    g_bCloseOnCompletion = false;
    m_pOut = std::make_unique<QTemporaryDir>(QStringLiteral(VARNEL_FIXTURE_DIR "/gui/out-XXXXXX"));
    QVERIFY(m_pOut->isValid());
}

void CTestRecover::cleanup()
{
    m_pDlg.reset();
    m_pDrives.reset();
    g_bCloseOnCompletion = false;
    ResetMachine();
}

void CTestRecover::OpenScanned()
{
    m_strLetter = AddImageDrive(m_fat.m_strImage);
    m_pDrives = std::make_unique<CFakeEnumerator>();
    m_pDlg = std::make_unique<CTestDlg>(m_pDrives.get());
    m_pDlg->show();
    QVERIFY(ScanToEnd(*m_pDlg, m_strLetter));
    m_pDlg->m_messages.clear();
    m_pDlg->m_captions.clear();
}

void CTestRecover::SelectInTree(const QString& strAddress)
{
    CResultItem* pItem = ItemAt(*m_pDlg, strAddress);
    QVERIFY2(pItem, qPrintable(strAddress));
    m_pDlg->SelectTreeItem(pItem);
}

void CTestRecover::SelectInList(const QStringList& texts)
{
    QItemSelectionModel* pSelection = m_pDlg->m_list->selectionModel();
    pSelection->clearSelection();
    for (int nRow = 0; nRow < m_pDlg->m_pListModel->rowCount(); ++nRow)
        if (texts.contains(QString::fromStdString(m_pDlg->m_pListModel->Item(nRow)->GetText())))
            pSelection->select(m_pDlg->m_pListModel->index(nRow, 0), QItemSelectionModel::Select);
    m_pDlg->OnClickList();
}

QByteArray CTestRecover::Bytes(const std::string& strTreePath) const
{
    for (const CVolumeFile& f : m_fat.m_files)
        if (f.m_strTreePath == strTreePath) return f.m_bytes;
    return {};
}

bool CTestRecover::RecoverAndWait(const QString& strFolder, std::function<void()> fnWhileOpen)
{
    AnswerFolderPicker(strFolder, nullptr, std::move(fnWhileOpen));
    m_pDlg->OnRecover();
    QElapsedTimer timer;
    timer.start();
    while ((m_pDlg->m_bRecovering || m_pDlg->IsWorking()) && timer.elapsed() < 30000) QTest::qWait(10);
    return !m_pDlg->m_bRecovering && !m_pDlg->IsWorking();
}

void CTestRecover::progressRules_data()
{
    QTest::addColumn<QString>("calls");  // "done/total" in order; "file" starts the next file
    QTest::addColumn<int>("bar");
    QTest::newRow("3 of 4") << "3/4" << 75;
    QTest::newRow("never back") << "3/4 1/2" << 75;
    QTest::newRow("total 0 ignored") << "0/0" << 0;
    QTest::newRow("above the total ignored") << "5/4" << 0;
    QTest::newRow("past 4 GiB") << "6442450944/8589934592" << 75;
    QTest::newRow("every file from 0") << "4/4 file 1/4" << 25;
}

void CTestRecover::progressRules()
{
    QFETCH(QString, calls);
    QFETCH(int, bar);
    CRecoveryProgress dialog;
    for (const QString& strCall : calls.split(' ')) {
        if (strCall == "file") {
            dialog.SetFileInfo("next", "C:\\next", "/tmp/next");
            continue;
        }
        QStringList parts = strCall.split('/');
        dialog.SetProgress(parts[0].toULongLong(), parts[1].toULongLong());
    }
    QCoreApplication::processEvents();
    QCOMPARE(dialog.m_progress->value(), bar);
}

void CTestRecover::fileFromTheTree_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");
    QTest::newRow("live") << "C:\\Top file.txt" << "Top file.txt";
    QTest::newRow("deleted") << "C:\\Docs\\Old notes.txt" << "Old notes.txt";
}

void CTestRecover::fileFromTheTree()
{
    QFETCH(QString, address);
    QFETCH(QString, name);
    OpenScanned();
    SelectInTree(address);
    QString strTitle;
    AnswerFolderPicker(m_pOut->path(), &strTitle);
    m_pDlg->OnRecover();
    QCOMPARE(strTitle, " Please select a folder to extract ");
    CRecoveryProgress* pProgress = m_pDlg->m_pRecoveryProgress;
    QVERIFY(pProgress && pProgress->isVisible());
    QTRY_VERIFY(!m_pDlg->IsWorking());
    QCOMPARE(Contents(m_pOut->path()), (std::map<QString, QByteArray>{{name, Bytes(address.mid(3).replace('\\', '/').toStdString())}}));
    QCOMPARE(pProgress->m_staticAction->text(), "Recovery Completed Successfully");
    QCOMPARE(pProgress->m_cancelButton->text(), "Close");
    QCOMPARE(pProgress->m_staticFileName->text(), name);
    QCOMPARE(pProgress->m_staticSourcePath->text(), address);
    QCOMPARE(pProgress->m_staticDestPath->text(), m_pOut->path() + "/" + name);
    QCOMPARE(pProgress->m_progress->value(), 100);
    QVERIFY(!m_pDlg->m_bRecovering && m_pDlg->m_bRecoveryActive == 0);
    QVERIFY(pProgress->isVisible());
    QDir().mkpath(QStringLiteral(VARNEL_GUI_ARTIFACT_DIR));
    pProgress->grab().save(QStringLiteral(VARNEL_GUI_ARTIFACT_DIR "/recovery-progress-done.png"));
    // Close takes the window away.
    QTest::mouseClick(pProgress->m_cancelButton, Qt::LeftButton);
    QVERIFY(!pProgress->isVisible());
}

void CTestRecover::folderWithItsWholeSubtree()
{
    OpenScanned();
    for (const QString& strAddress : {QStringLiteral("C:\\Docs"), QStringLiteral("C:\\Gone")}) {
        SelectInTree(strAddress);
        QVERIFY(RecoverAndWait(m_pOut->path()));
    }
    std::map<QString, QByteArray> expected{
        {"Docs", "<dir>"},
        {"Docs/Report.txt", Bytes("Docs/Report.txt")},
        {"Docs/Old notes.txt", Bytes("Docs/Old notes.txt")},
        {"Docs/Sub", "<dir>"},
        {"Docs/Sub/Deep data.bin", Bytes("Docs/Sub/Deep data.bin")},
        {"Docs/Sub/Empty", "<dir>"},
        {"Gone", "<dir>"},
        {"Gone/Photo.jpg", Bytes("Gone/Photo.jpg")},
    };
    QCOMPARE(Contents(m_pOut->path()), expected);
    QCOMPARE(m_pDlg->m_pRecoveryProgress->m_staticAction->text(), "Recovery Completed Successfully");
}

void CTestRecover::listRunGoesOnPastAFailingItem()
{
    OpenScanned();
    SelectInTree(QStringLiteral("C:\\Docs"));
    SelectInList({"Old notes.txt", "Report.txt", "Sub"});
    QCOMPARE(m_pDlg->m_strFocusPane, "List");
    {
        // Report.txt, the second, cannot be written in full.
        CFileSizeLimit limit(10000);
        AnswerFolderPicker(m_pOut->path());
        m_pDlg->OnRecover();
        QCOMPARE(m_pDlg->m_pRecoveryProgress->m_staticAction->text(), "Recovering file .....");
        QTRY_VERIFY(!m_pDlg->IsWorking());
    }
    std::map<QString, QByteArray> contents = Contents(m_pOut->path());
    QCOMPARE(contents["Old notes.txt"], Bytes("Docs/Old notes.txt"));
    QCOMPARE(contents["Sub/Deep data.bin"], Bytes("Docs/Sub/Deep data.bin"));
    QCOMPARE(contents["Sub/Empty"], "<dir>");
    CRecoveryProgress* pProgress = m_pDlg->m_pRecoveryProgress;
    QCOMPARE(pProgress->m_cancelButton->text(), "Close");
    QString strEnd = pProgress->m_staticAction->text();
    QVERIFY2(strEnd.contains("1 failed") && strEnd.contains("2 file(s) written"), qPrintable(strEnd));
    QVERIFY(pProgress->m_staticAction->toolTip().contains("C:\\Docs\\Report.txt"));
    QVERIFY(!m_pDlg->m_bRecovering && m_pDlg->m_bRecoveryActive == 0);
}

void CTestRecover::treeRunGoesOnPastAFailingFile()
{
    OpenScanned();
    SelectInTree(QStringLiteral("C:\\Docs"));
    {
        CFileSizeLimit limit(10000);
        QVERIFY(RecoverAndWait(m_pOut->path()));
    }
    std::map<QString, QByteArray> contents = Contents(m_pOut->path());
    QCOMPARE(contents["Docs/Old notes.txt"], Bytes("Docs/Old notes.txt"));
    QCOMPARE(contents["Docs/Sub/Deep data.bin"], Bytes("Docs/Sub/Deep data.bin"));
    CRecoveryProgress* pProgress = m_pDlg->m_pRecoveryProgress;
    QCOMPARE(pProgress->m_cancelButton->text(), "Close");
    QVERIFY(pProgress->m_staticAction->text().contains("1 failed"));
    // The flags are reset: Recover works again.
    QTemporaryDir again(QStringLiteral(VARNEL_FIXTURE_DIR "/gui/again-XXXXXX"));
    SelectInTree(QStringLiteral("C:\\Docs\\Report.txt"));
    QVERIFY(RecoverAndWait(again.path()));
    QCOMPARE(Contents(again.path())["Report.txt"], Bytes("Docs/Report.txt"));
}

void CTestRecover::sameNamedFilesOfOneFolderAreBothKept()
{
    OpenScanned();
    SelectInTree(QStringLiteral("C:\\"));
    SelectInList({"HORT.TXT"});
    QCOMPARE(m_pDlg->m_list->selectionModel()->selectedIndexes().size(), 2);
    QVERIFY(RecoverAndWait(m_pOut->path()));
    std::map<QString, QByteArray> contents = Contents(m_pOut->path());
    QCOMPARE(contents.size(), size_t{2});
    QVERIFY(contents.count("HORT.TXT") && contents.count("HORT (2).TXT"));
    QCOMPARE(QSet<QByteArray>({contents["HORT.TXT"], contents["HORT (2).TXT"]}),
             QSet<QByteArray>({m_fat.m_files[5].m_bytes, m_fat.m_files[6].m_bytes}));
}

void CTestRecover::nothingForRootDriveOrCancelledPicker()
{
    OpenScanned();
    for (const QString& strAddress : {QString(), QStringLiteral("C:\\")}) {
        m_pDlg->SelectTreeItem(strAddress.isEmpty() ? m_pDlg->m_resultTree.GetRoot() : ItemAt(*m_pDlg, strAddress));
        CRecoveryProgress* pBefore = m_pDlg->m_pRecoveryProgress;
        m_pDlg->OnRecover();
        QCOMPARE(m_pDlg->m_pRecoveryProgress, pBefore);
    }
    SelectInTree(QStringLiteral("C:\\Top file.txt"));
    AnswerFolderPicker(QString());
    m_pDlg->OnRecover();
    QVERIFY(!m_pDlg->m_pRecoveryProgress->isVisible());
    QVERIFY(!m_pDlg->m_bRecovering && m_pDlg->m_bRecoveryActive == 0);
    QVERIFY(Contents(m_pOut->path()).empty());
    QVERIFY(m_pDlg->m_messages.isEmpty());
}

void CTestRecover::destinationOnTheScannedVolumeIsRefused_data()
{
    QTest::addColumn<bool>("list");
    QTest::addColumn<QString>("caption");
    QTest::newRow("tree run") << false << "Error Message";
    QTest::newRow("list run") << true << "gui_test_recover";
}

void CTestRecover::destinationOnTheScannedVolumeIsRefused()
{
    QFETCH(bool, list);
    QFETCH(QString, caption);
    // The demo NTFS volume, mounted through the ntfs-3g driver: a folder in
    // that mount lies on the volume being recovered from.
    ResetMachine("3");
    const QString strDemo = DemoImage(QStringLiteral("refuse-demo"));
    QVERIFY(!strDemo.isEmpty());
    m_strLetter = AddImageDrive(strDemo);
    m_pDrives = std::make_unique<CFakeEnumerator>();
    m_pDlg = std::make_unique<CTestDlg>(m_pDrives.get());
    QVERIFY(ScanToEnd(*m_pDlg, m_strLetter));
    m_pDlg->m_messages.clear();
    m_pDlg->m_captions.clear();
    QTemporaryDir mountPoint(QStringLiteral(VARNEL_FIXTURE_DIR "/gui/mnt-XXXXXX"));
    if (!RunTool(QStringLiteral("ntfs-3g"), {QStringLiteral("-o"), QStringLiteral("ro"), strDemo, mountPoint.path()}))
        QSKIP("the demo volume cannot be mounted through FUSE here");
    const QString strInside = mountPoint.path() + QStringLiteral("/Documents");
    SelectInTree(QString::fromStdString(m_strLetter) + ":\\documents");
    if (list) SelectInList({"letter.txt"});
    AnswerFolderPicker(strInside);
    m_pDlg->OnRecover();
    RunTool(QStringLiteral("umount"), {mountPoint.path()});
    QCOMPARE(m_pDlg->m_messages, QStringList{QString::fromLatin1(MSG_SAME_DRIVE)});
    QCOMPARE(m_pDlg->m_captions, QStringList{caption});
    QVERIFY(!m_pDlg->m_pRecoveryProgress->isVisible());
    QVERIFY(!m_pDlg->m_bRecovering && m_pDlg->m_bRecoveryActive == 0);
    QVERIFY(!m_pDlg->IsWorking());
}

void CTestRecover::cancelDeclinedWhilePausedStaysPaused()
{
    OpenScanned();
    SelectInTree(QStringLiteral("C:\\Docs"));
    // Paused before the first file: the run holds at its gate.
    AnswerFolderPicker(m_pOut->path(), nullptr, [this] { m_pDlg->m_pRecoveryProgress->OnPauseRecovery(); });
    m_pDlg->OnRecover();
    CRecoveryProgress* pProgress = m_pDlg->m_pRecoveryProgress;
    QCOMPARE(pProgress->m_pauseButton->text(), "Resume");
    bool bHeldWhileAsked = false;
    m_pDlg->m_fnWhileOpen = [&](const QString& strText) {
        if (strText == CANCEL_QUESTION) bHeldWhileAsked = pProgress->m_gate.IsHeld();
    };
    m_pDlg->m_answers = {QMessageBox::No};
    QTest::mouseClick(pProgress->m_cancelButton, Qt::LeftButton);
    QVERIFY(bHeldWhileAsked);
    QCOMPARE(m_pDlg->m_captions, QStringList{"Please Confirm Stop Recovery"});
    QTest::qWait(100);
    QVERIFY(pProgress->m_gate.IsHeld());
    QCOMPARE(pProgress->m_pauseButton->text(), "Resume");
    QVERIFY(pProgress->isVisible());
    QVERIFY(Contents(m_pOut->path()).empty());
    QTest::mouseClick(pProgress->m_pauseButton, Qt::LeftButton);
    QCOMPARE(pProgress->m_pauseButton->text(), "Pause");
    QTRY_VERIFY(!m_pDlg->IsWorking());
    QCOMPARE(Contents(m_pOut->path()).size(), size_t{6});
    // Over: Pause changes nothing more.
    QTest::mouseClick(pProgress->m_pauseButton, Qt::LeftButton);
    QCOMPARE(pProgress->m_pauseButton->text(), "Pause");
}

void CTestRecover::cancelConfirmedStopsAndRecoverWorksAgain()
{
    OpenScanned();
    SelectInTree(QStringLiteral("C:\\Docs"));
    AnswerFolderPicker(m_pOut->path(), nullptr, [this] { m_pDlg->m_pRecoveryProgress->OnPauseRecovery(); });
    m_pDlg->OnRecover();
    CRecoveryProgress* pProgress = m_pDlg->m_pRecoveryProgress;
    m_pDlg->m_answers = {QMessageBox::Yes};
    QTest::mouseClick(pProgress->m_cancelButton, Qt::LeftButton);
    QVERIFY(!pProgress->isVisible());
    QVERIFY(!m_pDlg->m_bRecovering && m_pDlg->m_bRecoveryActive == 0);
    QTRY_VERIFY(!m_pDlg->IsWorking());
    // Stopped before its first item: nothing was made.
    QVERIFY(Contents(m_pOut->path()).empty());
    QVERIFY(pProgress->m_staticAction->text().startsWith("Recovery cancelled"));

    QTemporaryDir again(QStringLiteral(VARNEL_FIXTURE_DIR "/gui/again-XXXXXX"));
    QVERIFY(RecoverAndWait(again.path()));
    QVERIFY(m_pDlg->m_pRecoveryProgress != pProgress);
    QCOMPARE(m_pDlg->m_pRecoveryProgress->m_staticAction->text(), "Recovery Completed Successfully");
    QCOMPARE(Contents(again.path()).size(), size_t{6});
}

void CTestRecover::closeOnCompletionIsKeptForTheNextRun()
{
    OpenScanned();
    SelectInTree(QStringLiteral("C:\\Top file.txt"));
    QVERIFY(RecoverAndWait(m_pOut->path(), [this] {
        QCheckBox* pCheck = m_pDlg->m_pRecoveryProgress->m_checkClose;
        QVERIFY(!pCheck->isChecked());
        pCheck->click();
    }));
    QVERIFY(g_bCloseOnCompletion);
    CRecoveryProgress* pFirst = m_pDlg->m_pRecoveryProgress;
    QVERIFY(pFirst->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!pFirst->isVisible(), 3000);

    QTemporaryDir again(QStringLiteral(VARNEL_FIXTURE_DIR "/gui/again-XXXXXX"));
    QVERIFY(RecoverAndWait(again.path()));
    CRecoveryProgress* pSecond = m_pDlg->m_pRecoveryProgress;
    QVERIFY(pSecond != pFirst);
    QVERIFY(pSecond->m_checkClose->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(!pSecond->isVisible(), 3000);
    QCOMPARE(Contents(again.path()).size(), size_t{1});
}

void CTestRecover::escapeOnlyHidesTheDialog()
{
    OpenScanned();
    SelectInTree(QStringLiteral("C:\\Docs"));
    AnswerFolderPicker(m_pOut->path(), nullptr, [this] { m_pDlg->m_pRecoveryProgress->OnPauseRecovery(); });
    m_pDlg->OnRecover();
    CRecoveryProgress* pProgress = m_pDlg->m_pRecoveryProgress;
    for (Qt::Key nKey : {Qt::Key_Escape, Qt::Key_Return}) {
        pProgress->show();
        QTest::keyClick(pProgress, nKey);
        QVERIFY(!pProgress->isVisible());
        QVERIFY(m_pDlg->m_bRecovering);
        QVERIFY(m_pDlg->m_messages.isEmpty());
    }
    pProgress->OnPauseRecovery();
    QTRY_VERIFY(!m_pDlg->IsWorking());
    QCOMPARE(Contents(m_pOut->path()).size(), size_t{6});
}

void CTestRecover::eachDriveIsWrittenByItsOwnEngine()
{
    const QString strDemo = DemoImage(QStringLiteral("recover-demo"));
    QVERIFY(!strDemo.isEmpty());
    // The demo volume is NTFS: an edition that scans both.
    ResetMachine("5");
    std::string strFat = AddImageDrive(m_fat.m_strImage);
    std::string strNtfs = AddImageDrive(strDemo);
    m_pDrives = std::make_unique<CFakeEnumerator>();
    m_pDlg = std::make_unique<CTestDlg>(m_pDrives.get());
    QVERIFY(ScanToEnd(*m_pDlg, strFat));
    QVERIFY(ScanToEnd(*m_pDlg, strNtfs));
    SelectInTree(QString::fromStdString(strFat) + ":\\Gone\\Photo.jpg");
    QVERIFY(RecoverAndWait(m_pOut->path()));
    SelectInTree(QString::fromStdString(strNtfs) + ":\\documents\\notes.txt");
    QVERIFY(RecoverAndWait(m_pOut->path()));
    std::map<QString, QByteArray> contents = Contents(m_pOut->path());
    QCOMPARE(contents["Photo.jpg"], Bytes("Gone/Photo.jpg"));
    // What the demo's maker wrote before deleting it.
    QCOMPARE(QCryptographicHash::hash(contents["notes.txt"], QCryptographicHash::Sha256).toHex(),
             "525c7cb0aa7b8a9817e0f6bfe1bbf85ebd4f94d9c2cc9d84ba8781dae0903d44");
}

QTEST_MAIN(CTestRecover)
#include "test_recover.moc"
