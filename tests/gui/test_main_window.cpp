// The main window as it starts: title and menu per edition, toolbar, Escape,
// the ways of closing, About, accessible names, the no-drives notice.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "model/EditionProfile.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/AboutDlg.h"
#include "ui/CheckDrivesDialog.h"
#include "ui/FileListModel.h"
#include "ui/TreeCtrlCh.h"

using namespace guitest;

namespace {

QStringList ActionTexts(const QMenu* pMenu)
{
    QStringList texts;
    for (const QAction* pAction : pMenu->actions())
        texts << (pAction->isSeparator() ? QStringLiteral("-") : pAction->text());
    return texts;
}

QMenu* TopMenu(QMainWindow& window, const QString& strTitle)
{
    for (QAction* pAction : window.menuBar()->actions())
        if (pAction->text() == strTitle) return pAction->menu();
    return nullptr;
}

QAction* MenuAction(QMenu* pMenu, const QString& strText)
{
    for (QAction* pAction : pMenu->actions())
        if (pAction->text() == strText) return pAction;
    return nullptr;
}

}  // namespace

class CTestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetMachine(); }
    void cleanup()
    {
        // Notices and About boxes of one test are not the next one's.
        for (QWidget* pWidget : QApplication::topLevelWidgets()) pWidget->close();
        ResetMachine();
    }

    void titleAndMenuPerEdition_data();
    void titleAndMenuPerEdition();
    void viewAndHelpMenus();
    void toolbarButtonsInOrder();
    void escapeDoesNotClose();
    void closing_data();
    void closing();
    void aboutOpensABoxEachTime();
    void everyControlHasAnAccessibleName();
    void layoutTexts();
    void noDrivesNotice_data();
    void noDrivesNotice();
};

void CTestMainWindow::titleAndMenuPerEdition_data()
{
    QTest::addColumn<QString>("edition");
    QTest::addColumn<QString>("title");
    QTest::newRow("1") << "1" << "Varnel Data Recovery for FAT";
    QTest::newRow("3") << "3" << "Varnel Data Recovery for NTFS";
    QTest::newRow("5") << "5" << "Varnel Data Recovery for Removable Media";
    QTest::newRow("unknown code") << "9" << "Varnel Data Recovery for ";
}

void CTestMainWindow::titleAndMenuPerEdition()
{
    QFETCH(QString, edition);
    QFETCH(QString, title);
    g_strEdition = edition.toStdString();
    g_strEditionLabel = "stale";
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    QCOMPARE(dlg.windowTitle(), title);
    // No edition keeps New Scan.
    QCOMPARE(ActionTexts(TopMenu(dlg, "&File")), (QStringList{"&Open Image...", "&Exit"}));
    QVERIFY(!dlg.m_pNewScanAction);
}

void CTestMainWindow::viewAndHelpMenus()
{
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    QMenu* pView = TopMenu(dlg, "&View");
    QVERIFY(pView);
    QCOMPARE(ActionTexts(pView), (QStringList{"&Small Icons", "&Large Icon", "&List", "&Details", "-",
                                              "Show deleted items only", "-", "Go to"}));
    QCOMPARE(ActionTexts(MenuAction(pView, "Go to")->menu()), (QStringList{"&Back", "&Forward", "&Up"}));
    QCOMPARE(ActionTexts(TopMenu(dlg, "&Help")), (QStringList{"&About", "&Help Index"}));
}

void CTestMainWindow::toolbarButtonsInOrder()
{
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    QStringList captions;
    int nSeparators = 0;
    for (QAction* pAction : dlg.m_toolBar->actions()) {
        if (pAction->isSeparator()) {
            ++nSeparators;
            continue;
        }
        captions << pAction->text();
        QWidget* pButton = dlg.m_toolBar->widgetForAction(pAction);
        QVERIFY(pButton);
        QCOMPARE(pButton->accessibleName(), pAction->text());
        // The caption is in the picture, at the toolbar's 54 x 53.
        QCOMPARE(pAction->icon().availableSizes().value(0), QSize(54, 53));
        QCOMPARE(static_cast<QToolButton*>(pButton)->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }
    QCOMPARE(captions, (QStringList{"Scan", "Stop Scan", "Recover", "Level UP", "Help", "Comments", "Exit"}));
    QCOMPARE(nSeparators, 7);  // one in front, one after each button but the last
}

void CTestMainWindow::escapeDoesNotClose()
{
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QTest::keyClick(dlg.m_tree, Qt::Key_Escape);
    QTest::keyClick(dlg.m_address, Qt::Key_Escape);
    QVERIFY(dlg.isVisible());
    QVERIFY(!dlg.m_bClosing);
}

void CTestMainWindow::closing_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("close box") << "close box";
    QTest::newRow("File > Exit") << "menu";
    QTest::newRow("toolbar Exit") << "toolbar";
}

void CTestMainWindow::closing()
{
    QFETCH(QString, way);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    if (way == "close box") {
        dlg.close();
    } else if (way == "menu") {
        MenuAction(TopMenu(dlg, "&File"), "&Exit")->trigger();
    } else {
        QWidget* pExit = dlg.m_toolBar->findChild<QWidget*>("toolbar Exit");
        QVERIFY(pExit);
        QTest::mouseClick(pExit, Qt::LeftButton);
    }
    QVERIFY(!dlg.isVisible());
    QVERIFY(dlg.m_bClosing);
}

void CTestMainWindow::aboutOpensABoxEachTime()
{
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    QAction* pAbout = MenuAction(TopMenu(dlg, "&Help"), "&About");
    pAbout->trigger();
    pAbout->trigger();
    QList<CAboutDlg*> boxes = dlg.findChildren<CAboutDlg*>();
    QCOMPARE(boxes.size(), 2);
    for (CAboutDlg* pBox : boxes) {
        QVERIFY(pBox->isVisible());
        QVERIFY(!pBox->isModal());
        QCOMPARE(pBox->m_staticProduct->text(), "Product Name:    Varnel Data Recovery for NTFS\nProduct Version:  1.0.0");
    }
    QVERIFY(dlg.m_messages.isEmpty());
}

void CTestMainWindow::everyControlHasAnAccessibleName()
{
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    int nChecked = 0;
    for (QWidget* pWidget : dlg.findChildren<QWidget*>()) {
        bool bControl = qobject_cast<QAbstractButton*>(pWidget) || qobject_cast<QLineEdit*>(pWidget) ||
                        qobject_cast<QAbstractItemView*>(pWidget) ||
                        (qobject_cast<QLabel*>(pWidget) && !static_cast<QLabel*>(pWidget)->text().isEmpty());
        // The window's own machinery (menu bar extension, toolbar handle) is not a control of ours.
        if (!bControl || !pWidget->isVisible() || pWidget->objectName().startsWith("qt_")) continue;
        ++nChecked;
        QVERIFY2(!pWidget->accessibleName().isEmpty(), qPrintable(pWidget->metaObject()->className() +
                                                                  QStringLiteral(" ") + pWidget->objectName()));
    }
    QVERIFY(nChecked >= 13);  // 7 toolbar buttons, Go, address, tree, list, three labels
    QCOMPARE(dlg.m_addressLabel->accessibleName(), "Address");
    QCOMPARE(dlg.m_goButton->accessibleName(), "Go");
}

void CTestMainWindow::layoutTexts()
{
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    QCOMPARE(dlg.m_helpTip->text(), "Help Tip: Select drive and Press Scan Drive Button");
    QCOMPARE(dlg.m_addressLabel->text(), "Address");
    QCOMPARE(dlg.m_goButton->text(), "Go");
    QVERIFY(!dlg.m_copyright->text().isEmpty());
    const QStringList headings{"FileName",           "Create Time",        "Create Date", "Last Access Date",
                               "Last Modified time", "Last Modified Date", "File Size",   "State"};
    QCOMPARE(dlg.m_pListModel->columnCount(), headings.size());
    for (int i = 0; i < headings.size(); ++i)
        QCOMPARE(dlg.m_pListModel->headerData(i, Qt::Horizontal).toString(), headings[i]);
    // The list starts in the large-icon view.
    QCOMPARE(dlg.GetListView(), LVS_ICON);
}

void CTestMainWindow::noDrivesNotice_data()
{
    QTest::addColumn<QString>("edition");
    QTest::addColumn<bool>("removableAttached");
    QTest::addColumn<bool>("noticeShown");
    QTest::newRow("5, fixed drives only") << "5" << false << true;
    QTest::newRow("5, a stick attached") << "5" << true << false;
    QTest::newRow("3, fixed drives only") << "3" << false << false;
}

void CTestMainWindow::noDrivesNotice()
{
    QFETCH(QString, edition);
    QFETCH(bool, removableAttached);
    QFETCH(bool, noticeShown);
    g_strEdition = edition.toStdString();
    CFakeEnumerator drives;
    drives.Attach(Volume("/fake/sda1", EDriveType::Fixed, "NTFS"));
    if (removableAttached) drives.Attach(Volume("/fake/sdb1", EDriveType::Removable, "FAT32"));
    CTestDlg dlg(&drives);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCoreApplication::processEvents();
    if (!noticeShown) {
        QVERIFY(!dlg.m_pCheckDrivesDlg);
        return;
    }
    QTRY_VERIFY(dlg.m_pCheckDrivesDlg && dlg.m_pCheckDrivesDlg->isVisible());
    CCheckDrivesDialog* pNotice = dlg.m_pCheckDrivesDlg;
    QCOMPARE(pNotice->windowTitle(), "Varnel Recovery");
    QList<QLabel*> labels = pNotice->findChildren<QLabel*>();
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels[0]->text(), "Varnel Recovery didnot find any Removable Device(s).\nYou can attach the Device any "
                                "time and it will automatically be added to the Drive List");
    // The main window takes no input while the notice is up.
    QCOMPARE(QApplication::activeModalWidget(), pNotice);
    QTest::mouseClick(pNotice->findChild<QAbstractButton*>("ok"), Qt::LeftButton);
    QVERIFY(!pNotice->isVisible());
    QCOMPARE(pNotice->result(), int(QDialog::Rejected));
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(CTestMainWindow)
#include "test_main_window.moc"
