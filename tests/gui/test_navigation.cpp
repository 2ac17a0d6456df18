// Moving through a scanned drive: the address bar and Go, the Back and
// Forward histories, Up, selection in the tree, clicks in the list, the list
// views and the tree's tooltips.

#include <QLineEdit>
#include <QTest>

#include "model/ItemPath.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/FileListModel.h"
#include "ui/ResultTreeModel.h"
#include "ui/TreeCtrlCh.h"

using namespace guitest;

namespace {

// Drive C holds the sample result; drive D was never scanned.
struct CScannedWindow {
    CScannedWindow()
    {
        drives.Attach(Volume("/fake/sda1", EDriveType::Fixed, "NTFS"));
        drives.Attach(Volume("/fake/sda2", EDriveType::Fixed, "NTFS"));
        dlg = std::make_unique<CTestDlg>(&drives);
        dlg->resize(900, 600);
        dlg->show();
        std::unique_ptr<CResultItem> pBuilt = BuildSampleResult();
        dlg->AdoptScanResult(dlg->FindDriveItem("C"), *pBuilt);
    }
    CResultItem* At(const QString& strAddress) const { return ItemAt(*dlg, strAddress); }
    void Select(const QString& strAddress) const { dlg->SelectTreeItem(At(strAddress)); }
    QString SelectedAddress() const { return AddressOf(dlg->GetSelectedTreeItem()); }
    static QString AddressOf(const CResultItem* pItem)
    {
        return !pItem ? "(none)" : pItem->IsRoot() ? "Drives" : QString::fromStdString(ItemAddress(pItem));
    }
    QStringList Listed() const
    {
        QStringList texts;
        for (int i = 0; i < dlg->m_pListModel->rowCount(); ++i)
            texts << QString::fromStdString(dlg->m_pListModel->Item(i)->GetText());
        return texts;
    }
    QPoint ListPointOf(const QString& strText) const
    {
        for (int i = 0; i < dlg->m_pListModel->rowCount(); ++i)
            if (QString::fromStdString(dlg->m_pListModel->Item(i)->GetText()) == strText)
                return dlg->m_list->visualRect(dlg->m_pListModel->index(i, 0)).center();
        return {};
    }
    CFakeEnumerator drives;
    std::unique_ptr<CTestDlg> dlg;
};

}  // namespace

class CTestNavigation : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetMachine(); }
    void cleanup() { ResetMachine(); }
    void navigateToPath_data();
    void navigateToPath();
    void goSelectsWhatTheAddressNames();
    void backAndForward();
    void backWithASingleEntry();
    void typingRecordsEveryKeystroke();
    void upRecordsTheNewAddressTwice();
    void treeSelection();
    void listClickAndDoubleClick();
    void listClickIgnoredWhileRecovering();
    void listViews();
    void toolTips();
};

void CTestNavigation::navigateToPath_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("resolveLast");
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder") << "C:\\Docs\\Sub" << true << "C:\\Docs\\Sub";
    QTest::newRow("file") << "C:\\Docs\\Sub\\deep.txt" << true << "C:\\Docs\\Sub\\deep.txt";
    QTest::newRow("last not resolved") << "C:\\Docs\\Sub\\deep.txt" << false << "C:\\Docs\\Sub";
    QTest::newRow("missing component skipped") << "C:\\Docs\\Missing\\Sub" << true << "C:\\Docs\\Sub";
    QTest::newRow("trailing backslash") << "C:\\Docs\\" << true << "C:\\Docs";
    QTest::newRow("case matters") << "C:\\docs" << true << "C:\\";
    QTest::newRow("lower-case letter") << "c:\\Docs" << true << "Drives";
    QTest::newRow("drive only") << "C:\\" << true << "C:\\";
    QTest::newRow("unscanned drive") << "D:\\Docs" << true << "D:\\";
}

void CTestNavigation::navigateToPath()
{
    QFETCH(QString, address);
    QFETCH(bool, resolveLast);
    QFETCH(QString, expected);
    CScannedWindow w;
    QCOMPARE(CScannedWindow::AddressOf(w.dlg->NavigateToPath(address, resolveLast)), expected);
}

void CTestNavigation::goSelectsWhatTheAddressNames()
{
    CScannedWindow w;
    w.dlg->m_address->setText("C:\\Docs\\Missing\\Sub");
    QTest::keyClick(w.dlg->m_address, Qt::Key_Return);
    QCOMPARE(w.SelectedAddress(), "C:\\Docs\\Sub");
    QCOMPARE(w.dlg->m_address->text(), "C:\\Docs\\Sub");
    QCOMPARE(w.Listed(), QStringList({"deep.txt"}));
}

void CTestNavigation::backAndForward()
{
    CScannedWindow w;
    w.Select("C:\\Docs\\Sub");
    w.dlg->m_strBackHistory = "C:\\?C:\\Docs?C:\\Docs\\Sub?";
    w.dlg->m_strForwardHistory.clear();

    w.dlg->GoBack();
    QCOMPARE(w.SelectedAddress(), "C:\\Docs");
    QCOMPARE(w.dlg->m_strForwardHistory, "C:\\Docs\\Sub?");
    // The selection records the address it shows once more.
    QCOMPARE(w.dlg->m_strBackHistory, "C:\\?C:\\Docs?C:\\Docs?");

    w.dlg->GoForward();
    QCOMPARE(w.SelectedAddress(), "C:\\Docs\\Sub");
    QCOMPARE(w.dlg->m_strForwardHistory, "");
    QCOMPARE(w.dlg->m_strBackHistory, "C:\\?C:\\Docs?C:\\Docs?C:\\Docs\\Sub?C:\\Docs\\Sub?");

    w.dlg->GoForward();  // nothing left to go forward to
    QCOMPARE(w.SelectedAddress(), "C:\\Docs\\Sub");
}

void CTestNavigation::backWithASingleEntry()
{
    CScannedWindow w;
    w.Select("C:\\Docs");
    w.dlg->m_strBackHistory = "C:\\?";
    w.dlg->m_strForwardHistory.clear();
    w.dlg->GoBack();
    QCOMPARE(w.dlg->m_strBackHistory, "");
    QCOMPARE(w.dlg->m_strForwardHistory, "C:\\?");
    QCOMPARE(w.SelectedAddress(), "C:\\Docs");
    w.dlg->GoBack();  // an empty history: nothing happens
    QCOMPARE(w.dlg->m_strForwardHistory, "C:\\?");
}

void CTestNavigation::typingRecordsEveryKeystroke()
{
    CScannedWindow w;
    w.dlg->m_address->clear();
    w.dlg->m_strBackHistory.clear();
    QTest::keyClicks(w.dlg->m_address, "C:\\D");
    QCOMPARE(w.dlg->m_strBackHistory, "C?C:?C:\\?C:\\D?");
}

void CTestNavigation::upRecordsTheNewAddressTwice()
{
    CScannedWindow w;
    w.Select("C:\\Docs\\b.txt");
    w.dlg->m_strBackHistory.clear();
    w.dlg->GoUp();
    QCOMPARE(w.SelectedAddress(), "C:\\Docs");
    QCOMPARE(w.dlg->m_strBackHistory, "C:\\Docs?C:\\Docs?");
    QVERIFY(w.Listed().contains("b.txt"));

    w.dlg->SelectTreeItem(w.dlg->m_resultTree.GetRoot());
    w.dlg->m_strBackHistory.clear();
    w.dlg->GoUp();
    QCOMPARE(w.SelectedAddress(), "Drives");
    QCOMPARE(w.dlg->m_strBackHistory, "");
}

void CTestNavigation::treeSelection()
{
    CScannedWindow w;
    // A file: its folder's content in the list, its own path in the address.
    w.Select("C:\\Docs\\Sub\\deep.txt");
    QCOMPARE(w.dlg->m_address->text(), "C:\\Docs\\Sub\\deep.txt");
    QCOMPARE(w.Listed(), QStringList({"deep.txt"}));
    QCOMPARE(w.dlg->m_hCurrentItem, w.At("C:\\Docs\\Sub\\deep.txt"));
    QCOMPARE(w.dlg->m_bCanRecover, 1);
    QCOMPARE(w.dlg->m_strFocusPane, "Tree");

    // A drive never scanned: the list keeps what it showed.
    w.Select("D:\\");
    QCOMPARE(w.dlg->m_address->text(), "D:\\");
    QCOMPARE(w.Listed(), QStringList({"deep.txt"}));
    QCOMPARE(w.dlg->m_bCanRecover, 0);

    // The root: an empty list, the address left as it was.
    w.dlg->SelectTreeItem(w.dlg->m_resultTree.GetRoot());
    QCOMPARE(w.Listed(), QStringList());
    QCOMPARE(w.dlg->m_address->text(), "D:\\");
    QVERIFY(w.dlg->m_tree->isExpanded(w.dlg->m_pTreeModel->IndexOf(w.dlg->m_resultTree.GetRoot())));

    // An empty folder shows an empty list.
    w.Select("C:\\Docs");
    w.Select("C:\\empty");
    QCOMPARE(w.Listed(), QStringList());
}

void CTestNavigation::listClickAndDoubleClick()
{
    CScannedWindow w;
    w.Select("C:\\Docs");
    CResultItem* pDocs = w.At("C:\\Docs");
    QTest::mouseClick(w.dlg->m_list->viewport(), Qt::LeftButton, {}, w.ListPointOf("b.txt"));
    QCOMPARE(w.dlg->m_address->text(), "C:\\Docs\\b.txt");
    QVERIFY(w.dlg->m_strBackHistory.endsWith("C:\\Docs\\b.txt?"));
    QCOMPARE(w.dlg->m_hCurrentItem, pDocs);
    QCOMPARE(w.dlg->m_strFocusPane, "List");
    QCOMPARE(w.dlg->m_bCanRecover, 1);

    // Empty space: nothing selected, nothing to recover.
    const QPoint empty(w.dlg->m_list->viewport()->width() - 5, w.dlg->m_list->viewport()->height() - 5);
    QTest::mouseClick(w.dlg->m_list->viewport(), Qt::LeftButton, {}, empty);
    QCOMPARE(w.dlg->m_bCanRecover, 0);

    // A folder opens in the list and is selected in the tree.
    QTest::mouseDClick(w.dlg->m_list->viewport(), Qt::LeftButton, {}, w.ListPointOf("Sub"));
    QCOMPARE(w.Listed(), QStringList({"deep.txt"}));
    QCOMPARE(w.SelectedAddress(), "C:\\Docs\\Sub");

    // A file leaves the list as it is and selects the file, which shows its folder.
    QTest::mouseDClick(w.dlg->m_list->viewport(), Qt::LeftButton, {}, w.ListPointOf("deep.txt"));
    QCOMPARE(w.Listed(), QStringList({"deep.txt"}));
    QCOMPARE(w.SelectedAddress(), "C:\\Docs\\Sub\\deep.txt");
}

void CTestNavigation::listClickIgnoredWhileRecovering()
{
    CScannedWindow w;
    w.Select("C:\\Docs");
    const QString strHistory = w.dlg->m_strBackHistory;
    w.dlg->m_bRecovering = true;
    QTest::mouseClick(w.dlg->m_list->viewport(), Qt::LeftButton, {}, w.ListPointOf("b.txt"));
    w.dlg->m_bRecovering = false;
    QCOMPARE(w.dlg->m_address->text(), "C:\\Docs");
    QCOMPARE(w.dlg->m_strBackHistory, strHistory);
    QCOMPARE(w.dlg->m_strFocusPane, "Tree");
}

void CTestNavigation::listViews()
{
    CScannedWindow w;
    QCOMPARE(w.dlg->GetListView(), int(LVS_ICON));
    QCOMPARE(w.dlg->m_list->iconSize(), QSize(32, 32));
    w.dlg->OnViewSmallIcon();
    QCOMPARE(w.dlg->GetListView(), int(LVS_SMALLICON));
    QCOMPARE(w.dlg->m_list->iconSize(), QSize(20, 20));
    QCOMPARE(w.dlg->m_list->flow(), QListView::LeftToRight);
    w.dlg->OnViewList();
    QCOMPARE(w.dlg->GetListView(), int(LVS_LIST));
    QCOMPARE(w.dlg->m_list->flow(), QListView::TopToBottom);
    w.dlg->OnViewLargeIcon();
    QCOMPARE(w.dlg->GetListView(), int(LVS_ICON));
    QCOMPARE(w.dlg->m_list->viewMode(), QListView::IconMode);
}

void CTestNavigation::toolTips()
{
    CScannedWindow w;
    auto tipOf = [&](const CResultItem* pItem) {
        return w.dlg->m_pTreeModel->IndexOf(pItem).data(Qt::ToolTipRole).toString();
    };
    QCOMPARE(tipOf(w.At("C:\\Docs\\b.txt")), "Parent Cluster 30 Start Cluster 31\nSize: 10 bytes");
    QCOMPARE(tipOf(w.At("C:\\Docs\\Sub")), "Parent Cluster 30 Start Cluster 40");
    QCOMPARE(tipOf(w.dlg->m_resultTree.GetRoot()), "Drives");

    // Over the label of an item, not over its icon or the empty space below.
    CTreeCtrlCh* pTree = w.dlg->m_tree;
    const QModelIndex docs = w.dlg->m_pTreeModel->IndexOf(w.At("C:\\Docs"));
    pTree->scrollTo(docs);
    const QRect label = pTree->LabelRect(docs);
    QCOMPARE(pTree->ToolTipAt(label.center()), "Parent Cluster 5 Start Cluster 30");
    QCOMPARE(pTree->ToolTipAt(QPoint(label.left() - 10, label.center().y())), "");
    QCOMPARE(pTree->ToolTipAt(QPoint(5, pTree->viewport()->height() - 3)), "");
}

QTEST_MAIN(CTestNavigation)
#include "test_navigation.moc"
