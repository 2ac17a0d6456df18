// The Details view of the file list with the entries' times, sizes and
// states; the same in the tree's tooltips; and "Show deleted items only",
// which hides rows in the tree and the list but leaves the result tree alone.

#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTest>
#include <cstdlib>
#include <ctime>

#include "fs/FileTime.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/FileListModel.h"
#include "ui/ResultTreeModel.h"
#include "ui/TreeCtrlCh.h"

using namespace guitest;

namespace {

// 2019-07-04 12:00:30.1234567 UTC, and a day later and earlier.
constexpr uint64_t T = 132067152301234567ull;
constexpr uint64_t DAY = 864000000000ull;

QAction* ViewAction(CRecoveryDlg& dlg, const QString& strText)
{
    for (QAction* pMenu : dlg.menuBar()->actions())
        if (pMenu->text() == "&View")
            for (QAction* pAction : pMenu->menu()->actions())
                if (pAction->text() == strText) return pAction;
    return nullptr;
}

// Drive C holds the sample result, b.txt with times, a size and a state.
struct CWindow {
    CWindow()
    {
        drives.Attach(Volume("/fake/sda1", EDriveType::Fixed, "NTFS"));
        dlg = std::make_unique<CTestDlg>(&drives);
        dlg->resize(1100, 600);
        dlg->show();
        std::unique_ptr<CResultItem> pBuilt = BuildSampleResult();
        dlg->AdoptScanResult(dlg->FindDriveItem("C"), *pBuilt);
        CResultItem* pFile = At("C:\\Docs\\b.txt");
        CTreeItemData data = *pFile->GetItemData();
        data.m_nCreateTime = T - DAY;
        data.m_nAccessTime = T + DAY;
        data.m_nModifyTime = T;
        data.m_nSize = 150000;
        data.m_nState = ERecoverState::PartlyOverwritten;
        pFile->SetItemData(data);
    }
    CResultItem* At(const QString& strAddress) const { return ItemAt(*dlg, strAddress); }
    QStringList Listed() const
    {
        QStringList texts;
        for (int i = 0; i < dlg->m_pListModel->rowCount(); ++i)
            texts << QString::fromStdString(dlg->m_pListModel->Item(i)->GetText());
        return texts;
    }
    int ListRow(const QString& strText) const { return static_cast<int>(Listed().indexOf(strText)); }
    bool TreeRowHidden(const QString& strAddress) const
    {
        QModelIndex index = dlg->m_pTreeModel->IndexOf(At(strAddress));
        return dlg->m_tree->isRowHidden(index.row(), index.parent());
    }
    CFakeEnumerator drives;
    std::unique_ptr<CTestDlg> dlg;
};

}  // namespace

class CTestDetailsAndFilter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Dates show in local time and the locale's format: both fixed here.
        qputenv("TZ", "UTC");
        tzset();
        QLocale::setDefault(QLocale::c());
    }
    void init() { ResetMachine(); }
    void cleanup() { ResetMachine(); }
    void detailsViewShowsTheColumnsWithValues();
    void toolTipAddsSizeAndState();
    void deletedOnlyHidesRowsButKeepsTheTree();
};

void CTestDetailsAndFilter::detailsViewShowsTheColumnsWithValues()
{
    CWindow w;
    QAction* pDetails = ViewAction(*w.dlg, "&Details");
    QVERIFY(pDetails);
    pDetails->trigger();
    QCOMPARE(w.dlg->GetListView(), int(LVS_REPORT));
    QCOMPARE(w.dlg->m_listStack->currentWidget(), w.dlg->m_details);
    QVERIFY(!w.dlg->m_details->accessibleName().isEmpty());
    const QStringList headings{"FileName",           "Create Time",        "Create Date", "Last Access Date",
                               "Last Modified time", "Last Modified Date", "File Size",   "State"};
    QCOMPARE(w.dlg->m_details->header()->count(), headings.size());
    for (int i = 0; i < headings.size(); ++i)
        QCOMPARE(w.dlg->m_details->model()->headerData(i, Qt::Horizontal).toString(), headings[i]);

    w.dlg->SelectTreeItem(w.At("C:\\Docs"));
    const int nFile = w.ListRow("b.txt"), nFolder = w.ListRow("Sub");
    QVERIFY(nFile >= 0 && nFolder >= 0);
    auto Cell = [&](int nRow, int nColumn) { return w.dlg->m_pListModel->index(nRow, nColumn).data().toString(); };
    const QLocale locale;
    QCOMPARE(Cell(nFile, CFileListModel::COLUMN_NAME), "b.txt");
    QCOMPARE(Cell(nFile, CFileListModel::COLUMN_CREATE_TIME), "12:00:30");
    QCOMPARE(Cell(nFile, CFileListModel::COLUMN_CREATE_DATE), locale.toString(QDate(2019, 7, 3), QLocale::ShortFormat));
    QCOMPARE(Cell(nFile, CFileListModel::COLUMN_ACCESS_DATE), locale.toString(QDate(2019, 7, 5), QLocale::ShortFormat));
    QCOMPARE(Cell(nFile, CFileListModel::COLUMN_MODIFY_TIME), "12:00:30");
    QCOMPARE(Cell(nFile, CFileListModel::COLUMN_MODIFY_DATE), locale.toString(QDate(2019, 7, 4), QLocale::ShortFormat));
    QCOMPARE(Cell(nFile, CFileListModel::COLUMN_SIZE), "146.5 kB");
    QCOMPARE(Cell(nFile, CFileListModel::COLUMN_STATE), "partly overwritten");
    // A folder's size says nothing, and a time the volume did not keep is blank.
    QCOMPARE(Cell(nFolder, CFileListModel::COLUMN_SIZE), "");
    QCOMPARE(Cell(nFolder, CFileListModel::COLUMN_STATE), "");
    QCOMPARE(Cell(nFolder, CFileListModel::COLUMN_MODIFY_DATE), "");

    // A click in the report view is a click in the list: the address follows it.
    const QRect rcFile = w.dlg->m_details->visualRect(w.dlg->m_pListModel->index(nFile, 0));
    QTest::mouseClick(w.dlg->m_details->viewport(), Qt::LeftButton, {}, rcFile.center());
    QCOMPARE(w.dlg->m_address->text(), "C:\\Docs\\b.txt");
    QVERIFY(w.dlg->m_list->selectionModel()->isRowSelected(nFile, {}));
    QCOMPARE(w.dlg->m_strFocusPane, "List");
    // For a person to look at.
    QDir().mkpath(VARNEL_GUI_ARTIFACT_DIR);
    QVERIFY(w.dlg->grab().save(VARNEL_GUI_ARTIFACT_DIR "/details-view.png"));

    ViewAction(*w.dlg, "&List")->trigger();
    QCOMPARE(w.dlg->m_listStack->currentWidget(), w.dlg->m_list);
}

void CTestDetailsAndFilter::toolTipAddsSizeAndState()
{
    CWindow w;
    auto tipOf = [&](const QString& strAddress) {
        return w.dlg->m_pTreeModel->IndexOf(w.At(strAddress)).data(Qt::ToolTipRole).toString();
    };
    QCOMPARE(tipOf("C:\\Docs\\b.txt"),
             "Parent Cluster 30 Start Cluster 31\nSize: 146.5 kB (150000 bytes)\nState: partly overwritten");
    QCOMPARE(tipOf("C:\\Docs"), "Parent Cluster 5 Start Cluster 30");
}

void CTestDetailsAndFilter::deletedOnlyHidesRowsButKeepsTheTree()
{
    CWindow w;
    QAction* pFilter = ViewAction(*w.dlg, "Show deleted items only");
    QVERIFY(pFilter && pFilter->isCheckable());
    w.dlg->SelectTreeItem(w.At("C:\\"));
    pFilter->setChecked(true);
    // The drive's list: the live folder above deleted items, the deleted file.
    QCOMPARE(w.Listed(), (QStringList{"Docs", "Zeta.bin"}));
    QVERIFY(w.TreeRowHidden("C:\\readme.txt"));
    QVERIFY(w.TreeRowHidden("C:\\empty"));
    QVERIFY(!w.TreeRowHidden("C:\\Docs"));
    QVERIFY(!w.TreeRowHidden("C:\\Zeta.bin"));
    // A folder opened after the filter was set is filtered as it opens.
    w.dlg->m_tree->expand(w.dlg->m_pTreeModel->IndexOf(w.At("C:\\Docs")));
    QVERIFY(w.TreeRowHidden("C:\\Docs\\b.txt"));
    QVERIFY(w.TreeRowHidden("C:\\Docs\\Report.doc"));
    QVERIFY(!w.TreeRowHidden("C:\\Docs\\Sub"));
    w.dlg->SelectTreeItem(w.At("C:\\Docs"));
    QCOMPARE(w.Listed(), (QStringList{"a.txt", "Sub"}));
    // The tree itself is as the scan left it.
    QCOMPARE(w.At("C:\\Docs")->GetChildCount(), size_t{4});
    QCOMPARE(w.dlg->FindDriveItem("C")->CountDescendants(), size_t{9});

    pFilter->setChecked(false);
    QVERIFY(!w.TreeRowHidden("C:\\Docs\\b.txt"));
    QVERIFY(!w.TreeRowHidden("C:\\readme.txt"));
    QCOMPARE(w.Listed(), (QStringList{"a.txt", "b.txt", "Report.doc", "Sub"}));
}

QTEST_MAIN(CTestDetailsAndFilter)
#include "test_details_and_filter.moc"
