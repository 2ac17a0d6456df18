// The drive list from a machine the test makes up: which drives each edition
// offers, engines, drives attached and detached while the window runs,
// image files, and what tells the user which letter is which.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStatusBar>
#include <QTest>

#include "model/EditionProfile.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/FileListModel.h"
#include "ui/ResultTreeModel.h"
#include "ui/TreeCtrlCh.h"

using namespace guitest;

namespace {

QString DriveLetters(const CRecoveryDlg& dlg)
{
    QStringList letters;
    const CResultItem* pRoot = dlg.m_resultTree.GetRoot();
    for (size_t i = 0; i < pRoot->GetChildCount(); ++i) letters << QString::fromStdString(pRoot->GetChild(i)->GetText());
    return letters.join(' ');
}

// What the tree view shows under "Drives", read back through the model.
QString ViewLetters(const CRecoveryDlg& dlg)
{
    QStringList letters;
    QModelIndex root = dlg.m_tree->model()->index(0, 0);
    for (int i = 0; i < dlg.m_tree->model()->rowCount(root); ++i)
        letters << dlg.m_tree->model()->index(i, 0, root).data().toString();
    return letters.join(' ');
}

// sda1 fixed NTFS, sda2 fixed FAT32, sr0 CD, sdb1 USB stick: C, D, E, F in the volume table.
void FourDriveMachine(CFakeEnumerator& drives)
{
    drives.Attach(Volume("/fake/sda1", EDriveType::Fixed, "NTFS", "System"));
    drives.Attach(Volume("/fake/sda2", EDriveType::Fixed, "FAT32", "DATA"));
    drives.Attach(Volume("/fake/sr0", EDriveType::CdRom, "CDFS", "DISC"));
    drives.Attach(Volume("/fake/sdb1", EDriveType::Removable, "NTFS", "STICK", "/fake/sdb1 (Cruzer, 14.9 GiB)"));
}

}  // namespace

class CTestDriveList : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetMachine(); }
    void cleanup() { ResetMachine(); }

    void listedDrivesPerEdition_data();
    void listedDrivesPerEdition();
    void enginesAndDriveRecords();
    void arrivalIsAppendedAsLastChild();
    void removalDeletesTheItemWithItsResults();
    void letterTakenOverCountsAsLost();
    void deviceChangesIgnoredWithoutDriveFlags();
    void imageFilesAreDrives();
    void driveNumber_data();
    void driveNumber();
    void driveToolTipAndStatusNameTheDevice();
};

void CTestDriveList::listedDrivesPerEdition_data()
{
    QTest::addColumn<QString>("edition");
    QTest::addColumn<QString>("letters");
    QTest::newRow("3: fixed and removable, no CD") << "3" << "C D F";
    QTest::newRow("1: fixed and removable, no CD") << "1" << "C D F";
    QTest::newRow("5: removable only") << "5" << "F";
    QTest::newRow("unknown code: fixed only") << "9" << "C D";
}

void CTestDriveList::listedDrivesPerEdition()
{
    QFETCH(QString, edition);
    QFETCH(QString, letters);
    g_strEdition = edition.toStdString();
    CFakeEnumerator drives;
    FourDriveMachine(drives);
    // A fixed disk carrying a CD file system is left out by its name.
    drives.Attach(Volume("/fake/sdc1", EDriveType::Fixed, "CDFS"));
    CTestDlg dlg(&drives);
    QCOMPARE(DriveLetters(dlg), letters);
    QCOMPARE(ViewLetters(dlg), letters);
    QVERIFY(dlg.m_tree->isExpanded(dlg.m_tree->model()->index(0, 0)));
    QCOMPARE(dlg.m_hCurrentItem, dlg.m_resultTree.GetRoot());
    QVERIFY(dlg.m_messages.isEmpty());
}

void CTestDriveList::enginesAndDriveRecords()
{
    CFakeEnumerator drives;
    drives.Attach(Volume("/fake/sda1", EDriveType::Fixed, "NTFS", "System"));
    drives.Attach(Volume("/fake/sda2", EDriveType::Fixed, "FAT32", "DATA"));
    drives.Attach(Volume("/fake/sda3", EDriveType::Fixed, "EXFAT", "BIG"));
    drives.Attach(Volume("/fake/sda4", EDriveType::Fixed, "ntfs"));
    CTestDlg dlg(&drives);
    // Names no engine knows are listed all the same, without an engine.
    QCOMPARE(DriveLetters(dlg), "C D E F");
    QVERIFY(dlg.m_pFileSystem[2]);
    QVERIFY(dlg.m_pFileSystem[3]);
    QVERIFY(!dlg.m_pFileSystem[4]);
    QVERIFY(!dlg.m_pFileSystem[5]);
    // The device cannot be opened: the engine exists and knows it has no boot sector.
    QVERIFY(!dlg.m_pFileSystem[2]->m_bBootLoaded);
    const DRIVEINFO& c = dlg.m_driveInfo[2];
    QCOMPARE(c.m_strLetter, "C");
    QCOMPARE(c.m_strVolumeLabel, "System");
    QCOMPARE(c.m_strSerial, "1234-ABCD");
    QCOMPARE(c.m_strFileSystem, "NTFS");
    QCOMPARE(dlg.m_driveInfo[4].m_strFileSystem, "EXFAT");
    QVERIFY(dlg.m_driveInfo[6].m_strLetter.empty());
}

void CTestDriveList::arrivalIsAppendedAsLastChild()
{
    CFakeEnumerator drives;
    drives.Attach(Volume("/fake/sda1", EDriveType::Fixed, "NTFS"));
    drives.Attach(Volume("/fake/sdb1", EDriveType::Removable, "FAT32"));
    drives.Attach(Volume("/fake/sdc1", EDriveType::Removable, "FAT"));
    CTestDlg dlg(&drives);
    QCOMPARE(DriveLetters(dlg), "C D E");
    drives.Detach("/fake/sdb1");
    QVERIFY(!dlg.OnDeviceChange(DBT_DEVICEREMOVECOMPLETE));
    QCOMPARE(DriveLetters(dlg), "C E");
    // The freed letter goes to the next device; it joins the list at its end.
    drives.Attach(Volume("/fake/sdd1", EDriveType::Removable, "NTFS", "CARD"));
    drives.Attach(Volume("/fake/sr0", EDriveType::CdRom, "CDFS"));
    QVERIFY(!dlg.OnDeviceChange(DBT_DEVICEARRIVAL));
    QCOMPARE(DriveLetters(dlg), "C E D");
    QCOMPARE(ViewLetters(dlg), "C E D");
    QCOMPARE(dlg.m_driveInfo[3].m_strVolumeLabel, "CARD");
    QVERIFY(dlg.m_pFileSystem[3]);
    // An arrival of nothing new changes nothing.
    QVERIFY(!dlg.OnDeviceChange(DBT_DEVICEARRIVAL));
    QCOMPARE(DriveLetters(dlg), "C E D");
    QCOMPARE(dlg.m_messages, QStringList{"Drive Lost : D"});
}

void CTestDriveList::removalDeletesTheItemWithItsResults()
{
    CFakeEnumerator drives;
    FourDriveMachine(drives);
    CTestDlg dlg(&drives);
    CResultItem* pF = dlg.FindDriveItem("F");
    QVERIFY(pF);
    std::unique_ptr<CResultItem> pBuilt = BuildSampleResult();
    dlg.AdoptScanResult(pF, *pBuilt);
    // The user is inside the results of F when the stick is pulled.
    dlg.SelectTreeItem(ItemAt(dlg, "F:\\Docs\\Sub"));
    QCOMPARE(dlg.m_pListModel->rowCount(), 1);
    dlg.m_nCurDrive = 5;
    dlg.m_bScanning = true;

    drives.Detach("/fake/sdb1");
    dlg.OnDeviceChange(DBT_DEVICEREMOVECOMPLETE);
    QCOMPARE(DriveLetters(dlg), "C D");
    QCOMPARE(dlg.m_messages, QStringList{"Drive Lost : F"});
    QCOMPARE(dlg.m_captions, QStringList{"Varnel Data Recovery for NTFS"});
    QVERIFY(dlg.m_driveInfo[5].m_strLetter.empty());
    QVERIFY(!dlg.m_bScanning);
    // The engine stays in its slot; nothing points into the deleted items.
    QVERIFY(dlg.m_pFileSystem[5]);
    QVERIFY(dlg.m_pListModel->ShownParent() == nullptr || dlg.m_pListModel->ShownParent()->GetDriveItem() != nullptr);
    QVERIFY(dlg.m_hCurrentItem);
    QCOMPARE(dlg.m_hCurrentItem->GetDriveItem() == nullptr || dlg.m_hCurrentItem->GetDriveItem()->GetText() != "F", true);
    // A second notification for the same removal reports nothing more.
    dlg.OnDeviceChange(DBT_DEVICEREMOVECOMPLETE);
    QCOMPARE(dlg.m_messages.size(), 1);
}

void CTestDriveList::letterTakenOverCountsAsLost()
{
    CFakeEnumerator drives;
    drives.Attach(Volume("/fake/sda1", EDriveType::Fixed, "NTFS"));
    drives.Attach(Volume("/fake/sdb1", EDriveType::Removable, "NTFS", "OLD"));
    CTestDlg dlg(&drives);
    // The stick is swapped before the removal is seen: D now names another device.
    drives.Detach("/fake/sdb1");
    CVolumeTable::Instance().Remove(3);
    drives.Attach(Volume("/fake/sdc1", EDriveType::Removable, "FAT32", "NEW"));
    CVolumeTable::Instance().Register(drives.m_volumes.back());
    dlg.OnDeviceChange(DBT_DEVICEREMOVECOMPLETE);
    QCOMPARE(dlg.m_messages, QStringList{"Drive Lost : D"});
    dlg.OnDeviceChange(DBT_DEVICEARRIVAL);
    QCOMPARE(DriveLetters(dlg), "C D");
    QCOMPARE(dlg.m_driveInfo[3].m_strVolumeLabel, "NEW");
    QCOMPARE(dlg.m_driveInfo[3].m_strFileSystem, "FAT32");
}

void CTestDriveList::deviceChangesIgnoredWithoutDriveFlags()
{
    g_strEdition = "9";
    CFakeEnumerator drives;
    drives.Attach(Volume("/fake/sda1", EDriveType::Fixed, "NTFS"));
    drives.Attach(Volume("/fake/sda2", EDriveType::Fixed, "NTFS"));
    CTestDlg dlg(&drives);
    QCOMPARE(DriveLetters(dlg), "C D");
    drives.Detach("/fake/sda2");
    drives.Attach(Volume("/fake/sda3", EDriveType::Fixed, "NTFS"));
    QVERIFY(!dlg.OnDeviceChange(DBT_DEVICEREMOVECOMPLETE));
    QVERIFY(!dlg.OnDeviceChange(DBT_DEVICEARRIVAL));
    QCOMPARE(DriveLetters(dlg), "C D");
    QVERIFY(dlg.m_messages.isEmpty());
}

void CTestDriveList::imageFilesAreDrives()
{
    if (!QFile::exists("/usr/sbin/mkfs.fat")) QSKIP("mkfs.fat (dosfstools) is not installed");
    QDir().mkpath(VARNEL_FIXTURE_DIR);
    const QString strImage = QStringLiteral(VARNEL_FIXTURE_DIR "/gui-drive-list.img");
    QFile::remove(strImage);
    QCOMPARE(QProcess::execute("/usr/sbin/mkfs.fat",
                               {"-C", "-F", "16", "-s", "2", "-n", "GUITEST", "-i", "0badcafe", strImage, "8192"}),
             0);
    // The removable-media edition offers an image file too: the user named it.
    g_strEdition = "5";
    CFakeEnumerator drives;
    drives.Attach(Volume("/fake/sda1", EDriveType::Fixed, "NTFS"));
    std::string strError;
    int nDrive = CRecoveryDlg::RegisterImageFile(strImage.toStdString(), &strError);
    QCOMPARE(nDrive, 2);
    CTestDlg dlg(&drives);
    QCOMPARE(DriveLetters(dlg), "C");
    QCOMPARE(dlg.m_driveInfo[2].m_strFileSystem, "FAT");
    QCOMPARE(dlg.m_driveInfo[2].m_strVolumeLabel, "GUITEST");
    QCOMPARE(dlg.m_driveInfo[2].m_strSerial, "0BAD-CAFE");
    QVERIFY(dlg.m_pFileSystem[2] && dlg.m_pFileSystem[2]->m_bBootLoaded);
    // Images stay when the devices change.
    dlg.OnDeviceChange(DBT_DEVICEREMOVECOMPLETE);
    QCOMPARE(DriveLetters(dlg), "C");
    QVERIFY(dlg.m_messages.isEmpty());
    QVERIFY(CRecoveryDlg::RegisterImageFile("/nonexistent/disk.img", &strError) < 0);
    QVERIFY(QString::fromStdString(strError).startsWith("/nonexistent/disk.img"));
    QFile::remove(strImage);
}

void CTestDriveList::driveNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("drive");
    QTest::newRow("A") << "A" << 0;
    QTest::newRow("B") << "B" << 1;
    QTest::newRow("C") << "C" << 2;
    QTest::newRow("Z") << "Z" << 25;
    QTest::newRow("lower case") << "c" << 0;
    QTest::newRow("two letters") << "CD" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("digit") << "1" << 0;
}

void CTestDriveList::driveNumber()
{
    QFETCH(QString, text);
    QFETCH(int, drive);
    QCOMPARE(CRecoveryDlg::GetDriveNumber(text.toStdString()), drive);
}

void CTestDriveList::driveToolTipAndStatusNameTheDevice()
{
    CFakeEnumerator drives;
    FourDriveMachine(drives);
    CTestDlg dlg(&drives);
    CResultItem* pF = dlg.FindDriveItem("F");
    QModelIndex index = dlg.m_pTreeModel->IndexOf(pF);
    const QString strExpected = "F:  /fake/sdb1 (Cruzer, 14.9 GiB)  NTFS  \"STICK\"";
    QCOMPARE(index.data(Qt::ToolTipRole).toString(), strExpected);
    // Without a description the device path stands in.
    QCOMPARE(dlg.m_pTreeModel->IndexOf(dlg.FindDriveItem("C")).data(Qt::ToolTipRole).toString(),
             "C:  /fake/sda1  NTFS  \"System\"");
    dlg.SelectTreeItem(pF);
    QCOMPARE(dlg.statusBar()->currentMessage(), strExpected);
    dlg.SelectTreeItem(dlg.m_resultTree.GetRoot());
    QVERIFY(dlg.statusBar()->currentMessage().isEmpty());
}

QTEST_MAIN(CTestDriveList)
#include "test_drive_list.moc"
