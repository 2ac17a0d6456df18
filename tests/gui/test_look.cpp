// How the program looks and what its outer commands do: the splitter between
// tree and list, the layout on maximise and restore, the background picture
// of its own windows with labels drawn straight onto it, Help, About and
// Comments.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "tests/gui/GuiTestSupport.h"
#include "ui/AboutDlg.h"
#include "ui/CheckDrivesDialog.h"
#include "ui/DialogBackground.h"
#include "ui/RecoveryProgress.h"
#include "ui/ShowScanProgress.h"
#include "ui/SplitterControl.h"
#include "ui/TreeCtrlCh.h"
#include "ui/TreeProgress.h"

using namespace guitest;

namespace {

const QColor BACKGROUND(BACKGROUND_RED, BACKGROUND_GREEN, BACKGROUND_BLUE);

// Left and right edges as the layout counts them: the right one just outside.
int RightEdge(const QWidget* pWidget) { return pWidget->geometry().left() + pWidget->geometry().width(); }
int BottomEdge(const QWidget* pWidget) { return pWidget->geometry().top() + pWidget->geometry().height(); }

void SendMouse(QWidget* pWidget, QEvent::Type nType, const QPoint& pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = nType == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(nType, QPointF(pos), QPointF(pWidget->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(pWidget, &event);
}

// Presses on the bar, moves by nDistance along it in nSteps, releases.
void DragBar(CSplitterControl* pBar, int nDistance, int nSteps = 3)
{
    const QPoint start(0, pBar->height() / 2);
    SendMouse(pBar, QEvent::MouseButtonPress, start, Qt::LeftButton);
    for (int i = 1; i <= nSteps; ++i)
        SendMouse(pBar, QEvent::MouseMove, start + QPoint(nDistance * i / nSteps, 0), Qt::LeftButton);
    SendMouse(pBar, QEvent::MouseButtonRelease, start + QPoint(nDistance, 0), Qt::NoButton);
}

// Share of the pixels in rect (window coordinates) that have the background colour.
double BackgroundShare(const QImage& image, const QRect& rect)
{
    int nSame = 0;
    int nAll = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            ++nAll;
            if (image.pixelColor(x, y) == BACKGROUND) ++nSame;
        }
    return nAll ? double(nSame) / nAll : 0.0;
}

// What the window system shows of the window now: its backing store, with
// whatever earlier painting left there.
QImage OnScreen(QWidget* pWindow)
{
    QCoreApplication::processEvents();
    return pWindow->screen()->grabWindow(pWindow->winId()).toImage();
}

}  // namespace

class CTestLook : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetMachine(); }
    void cleanup()
    {
        for (QWidget* pWidget : QApplication::topLevelWidgets()) pWidget->close();
        ResetMachine();
    }

    void barFromPlaceholder_data();
    void barFromPlaceholder();
    void dragRangeAroundTheBar();
    void draggingMovesTreeAndList_data();
    void draggingMovesTreeAndList();
    void maximiseAndRestoreLayOutAgain();
    void resizingKeepsDistancesAndShare();
    void ownWindowsHaveThePicture();
    void shorterTextLeavesNoTrace();
    void helpOpensHelpFileOrManual_data();
    void helpOpensHelpFileOrManual();
    void aboutBoxes();
    void commentsOpensFeedbackPage();
};

void CTestLook::barFromPlaceholder_data()
{
    QTest::addColumn<QRect>("placeholder");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QRect>("bar");
    QTest::newRow("upright") << QRect(10, 20, 4, 300) << SPLITTER_VERTICAL << QRect(10, 20, 1, 300);
    QTest::newRow("lying") << QRect(10, 20, 300, 4) << SPLITTER_HORIZONTAL << QRect(10, 20, 300, 1);
    QTest::newRow("square") << QRect(10, 20, 50, 50) << SPLITTER_HORIZONTAL << QRect(10, 20, 50, 1);
}

void CTestLook::barFromPlaceholder()
{
    QFETCH(QRect, placeholder);
    QFETCH(int, orientation);
    QFETCH(QRect, bar);
    QWidget parent;
    CSplitterControl splitter(&parent);
    splitter.Create(placeholder, 7);
    QCOMPARE(splitter.m_nOrientation, orientation);
    QCOMPARE(splitter.geometry(), bar);
    QCOMPARE(splitter.cursor().shape(), orientation == SPLITTER_VERTICAL ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    // Create leaves the bar held where it is until the owner gives a range.
    QCOMPARE(splitter.m_nLowLimit, splitter.m_nHighLimit);
}

void CTestLook::dragRangeAroundTheBar()
{
    QWidget parent;
    parent.resize(900, 400);
    CSplitterControl splitter(&parent);
    splitter.Create(QRect(400, 10, 1, 300), 1);
    splitter.SetDragRange(50, 200, -1);
    QCOMPARE(splitter.m_nLowLimit, 350);
    QCOMPARE(splitter.m_nHighLimit, 600);
    // The range is the parent's: where the window stands on the screen does not shift it.
    parent.move(300, 200);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    int nDelta = 0;
    connect(&splitter, &CSplitterControl::SplitterMoved, [&](int, int d) { nDelta = d; });
    DragBar(&splitter, 150);
    QCOMPARE(nDelta, 150);
    QCOMPARE(splitter.geometry().left(), 550);
}

void CTestLook::draggingMovesTreeAndList_data()
{
    QTest::addColumn<int>("drag");
    QTest::addColumn<int>("delta");
    QTest::newRow("30 to the right") << 30 << 30;
    QTest::newRow("40 to the left") << -40 << -40;
    QTest::newRow("press and release") << 0 << 0;
    QTest::newRow("far right, held at 200") << 400 << 200;
    QTest::newRow("far left, held at 50") << -180 << -50;
}

void CTestLook::draggingMovesTreeAndList()
{
    QFETCH(int, drag);
    QFETCH(int, delta);
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.resize(900, 600);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    CSplitterControl* pBar = dlg.m_splitter;
    const QRect tree = dlg.m_tree->geometry();
    const QRect list = dlg.m_listStack->geometry();
    QCOMPARE(RightEdge(dlg.m_tree), 250);
    QCOMPARE(pBar->geometry().left(), 251);
    QCOMPARE(pBar->width(), 1);
    QCOMPARE(pBar->cursor().shape(), Qt::SizeHorCursor);

    QList<int> notices;
    connect(pBar, &CSplitterControl::SplitterMoved, [&](int nID, int nDelta) {
        QCOMPARE(nID, IDC_SPLITTER);
        notices << nDelta;
    });
    // While the button is down only an outline moves.
    const QPoint start(0, pBar->height() / 2);
    SendMouse(pBar, QEvent::MouseButtonPress, start, Qt::LeftButton);
    SendMouse(pBar, QEvent::MouseMove, start + QPoint(drag, 0), Qt::LeftButton);
    QWidget* pOutline = nullptr;
    for (QWidget* pChild : dlg.findChildren<QWidget*>())
        if (pChild->parentWidget() == &dlg && pChild->isVisible() && pChild->width() == 3) pOutline = pChild;
    QVERIFY(pOutline);
    QCOMPARE(pOutline->geometry().center().x(), pBar->parentWidget()->mapTo(&dlg, QPoint(251 + delta, 0)).x());
    QCOMPARE(dlg.m_tree->geometry(), tree);
    QVERIFY(notices.isEmpty());
    SendMouse(pBar, QEvent::MouseButtonRelease, start + QPoint(drag, 0), Qt::NoButton);

    QVERIFY(!pOutline->isVisible());
    QCOMPARE(notices, QList<int>{delta});
    QCOMPARE(pBar->geometry().left(), 251 + delta);
    QCOMPARE(dlg.m_tree->geometry(), tree.adjusted(0, 0, delta, 0));
    QCOMPARE(dlg.m_listStack->geometry(), list.adjusted(delta, 0, 0, 0));

    // A release without a press on the bar tells nothing.
    SendMouse(pBar, QEvent::MouseButtonRelease, start, Qt::NoButton);
    QCOMPARE(notices.size(), 1);
}

void CTestLook::maximiseAndRestoreLayOutAgain()
{
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.resize(700, 480);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QWidget* pClient = dlg.centralWidget();
    auto checkFixedPlaces = [&] {
        const int cx = pClient->width();
        const int cy = pClient->height();
        QCOMPARE(RightEdge(dlg.m_tree), 250);
        QCOMPARE(dlg.m_listStack->geometry().left(), 252);
        QCOMPARE(RightEdge(dlg.m_listStack), cx - 5);
        QCOMPARE(BottomEdge(dlg.m_tree), cy - 20);
        QCOMPARE(BottomEdge(dlg.m_listStack), cy - 20);
        QCOMPARE(dlg.m_splitter->geometry().left(), 251);
        QCOMPARE(BottomEdge(dlg.m_splitter), cy - 20);
        QCOMPARE(BottomEdge(dlg.m_helpTip), cy - 2);
        QCOMPARE(RightEdge(dlg.m_copyright), cx - 10);
        QCOMPARE(RightEdge(dlg.m_address), cx - 35);
        QCOMPARE(dlg.m_goButton->geometry().left(), cx - 35);
        QCOMPARE(RightEdge(dlg.m_goButton), cx - 3);
    };
    checkFixedPlaces();
    const QSize normal = pClient->size();
    DragBar(dlg.m_splitter, 30);
    QCOMPARE(RightEdge(dlg.m_tree), 280);

    // Minimising and restoring from the normal size moves nothing.
    const QRect tree = dlg.m_tree->geometry();
    dlg.showMinimized();
    QCoreApplication::processEvents();
    dlg.showNormal();
    QCoreApplication::processEvents();
    QCOMPARE(dlg.m_tree->geometry(), tree);

    dlg.showMaximized();
    QTRY_VERIFY(pClient->width() > normal.width());
    checkFixedPlaces();
    DragBar(dlg.m_splitter, -20);
    QCOMPARE(RightEdge(dlg.m_tree), 230);
    dlg.showNormal();
    QTRY_COMPARE(pClient->size(), normal);
    checkFixedPlaces();
}

void CTestLook::resizingKeepsDistancesAndShare()
{
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.resize(800, 560);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    DragBar(dlg.m_splitter, 60);
    dlg.resize(700, 500);
    QCoreApplication::processEvents();
    QWidget* pClient = dlg.centralWidget();
    QCOMPARE(RightEdge(dlg.m_tree), 310);
    QCOMPARE(dlg.m_splitter->geometry().left(), 311);
    QCOMPARE(dlg.m_listStack->geometry().left(), 312);
    QCOMPARE(RightEdge(dlg.m_listStack), pClient->width() - 5);
    QCOMPARE(BottomEdge(dlg.m_listStack), pClient->height() - 20);
    QCOMPARE(BottomEdge(dlg.m_splitter), pClient->height() - 20);
    // However narrow the window, the list keeps room beside the tree.
    QVERIFY(pClient->minimumWidth() >= 250 + 200 + 2 + 5 + 100);
}

void CTestLook::ownWindowsHaveThePicture()
{
    const QImage picture = QImage(QStringLiteral(":/background.png"));
    QCOMPARE(picture.size(), QSize(BACKGROUND_WIDTH, BACKGROUND_HEIGHT));
    QCOMPARE(picture.pixelColor(0, 0), BACKGROUND);
    QCOMPARE(picture.pixelColor(BACKGROUND_WIDTH - 1, BACKGROUND_HEIGHT - 1), BACKGROUND);

    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.resize(1600, 1200);  // more than one tile across and down
    std::vector<QWidget*> own{&dlg, new CAboutDlg(&dlg), new CShowScanProgress(&dlg), new CTreeProgress(&dlg),
                              new CRecoveryProgress(&dlg)};
    for (QWidget* pWindow : own) {
        pWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(pWindow));
        QCOMPARE(pWindow->palette().window().texture().size(), QSize(BACKGROUND_WIDTH, BACKGROUND_HEIGHT));
        // Styles shade toolbars and frames from the window colour.
        QCOMPARE(pWindow->palette().window().color(), BACKGROUND);
        const QImage image = pWindow->grab().toImage();
        int nLabels = 0;
        for (QLabel* pLabel : pWindow->findChildren<QLabel*>()) {
            if (!pLabel->isVisible() || pLabel->text().isEmpty()) continue;
            ++nLabels;
            // Mostly the picture, with the letters on it.
            const QRect rect(pLabel->mapTo(pWindow, QPoint(0, 0)), pLabel->size());
            QVERIFY2(BackgroundShare(image, rect) > 0.5, qPrintable(pWindow->objectName() + " " + pLabel->text()));
        }
        QVERIFY2(nLabels > 0, qPrintable(pWindow->objectName()));
        QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1), BACKGROUND);
    }
    // The notice, like the system's own dialogs, keeps the system's look.
    CCheckDrivesDialog notice(&dlg);
    notice.show();
    QVERIFY(QTest::qWaitForWindowExposed(&notice));
    const QImage image = notice.grab().toImage();
    QCOMPARE(BackgroundShare(image, image.rect()), 0.0);
}

void CTestLook::shorterTextLeavesNoTrace()
{
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QLabel* pTip = dlg.m_helpTip;
    const QString strShort = QStringLiteral("Help Tip:");
    const int nShortWidth = pTip->fontMetrics().horizontalAdvance(strShort);
    const QRect rect(pTip->mapTo(&dlg, QPoint(0, 0)), pTip->size());
    const QRect beyondShort = rect.adjusted(nShortWidth + 4, 0, 0, 0);

    dlg.SetHelpTip(HELP_TIP_RECOVER);
    QTRY_VERIFY(BackgroundShare(OnScreen(&dlg), beyondShort) < 1.0);
    pTip->setText(strShort);
    QTRY_COMPARE(BackgroundShare(OnScreen(&dlg), beyondShort), 1.0);
    // The same text again is painted again, on the picture.
    pTip->setText(strShort);
    QCOMPARE(BackgroundShare(OnScreen(&dlg), beyondShort), 1.0);
    QVERIFY(BackgroundShare(OnScreen(&dlg), rect) > 0.5);
}

void CTestLook::helpOpensHelpFileOrManual_data()
{
    QTest::addColumn<bool>("helpFileHere");
    QTest::newRow("Help.chm in the current folder") << true;
    QTest::newRow("no Help.chm") << false;
}

void CTestLook::helpOpensHelpFileOrManual()
{
    QFETCH(bool, helpFileHere);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString strBefore = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
    if (helpFileHere) {
        QFile file(QStringLiteral("Help.chm"));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    // Through the toolbar's Help button, as a user would.
    QWidget* pHelp = dlg.m_toolBar->findChild<QWidget*>("toolbar Help");
    QVERIFY(pHelp);
    QTest::mouseClick(pHelp, Qt::LeftButton);
    QDir::setCurrent(strBefore);

    QCOMPARE(dlg.m_opened.size(), 1);
    if (helpFileHere) {
        QVERIFY(dlg.m_messages.isEmpty());
        QCOMPARE(dlg.m_opened[0], QUrl::fromLocalFile(QDir(folder.path()).absoluteFilePath("Help.chm")));
        return;
    }
    QCOMPARE(dlg.m_messages, QStringList{"Help File not found: Help.chm"});
    QCOMPARE(dlg.m_captions, QStringList{"Help Opening Error"});
    // Then the manual that comes with the program, after the message.
    QCOMPARE(dlg.m_nMessagesBeforeOpen[0], 1);
    QCOMPARE(dlg.m_opened[0], QUrl::fromLocalFile(CRecoveryDlg::FindHelpManual()));
    QVERIFY(dlg.m_opened[0].path().endsWith("/help/index.html"));
    QVERIFY(QFile::exists(dlg.m_opened[0].toLocalFile()));
}

void CTestLook::aboutBoxes()
{
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    dlg.OnAbout();
    dlg.OnAbout();
    QList<CAboutDlg*> boxes = dlg.findChildren<CAboutDlg*>();
    QCOMPARE(boxes.size(), 2);
    for (CAboutDlg* pBox : boxes) {
        QCOMPARE(pBox->windowTitle(), "About Varnel Recovery");
        int nPictures = 0;
        for (QLabel* pLabel : pBox->findChildren<QLabel*>()) {
            QVERIFY(!pLabel->accessibleName().isEmpty());
            if (pLabel->pixmap().isNull())
                QVERIFY(!pLabel->text().isEmpty());
            else
                ++nPictures;
        }
        QCOMPARE(nPictures, 2);
    }
    // OK only hides the box; it stays until the program ends.
    QWidget* pOk = boxes[0]->findChild<QWidget*>("ok");
    QVERIFY(pOk);
    QTest::mouseClick(pOk, Qt::LeftButton);
    QVERIFY(!boxes[0]->isVisible());
    QVERIFY(boxes[1]->isVisible());
    QCOMPARE(dlg.findChildren<CAboutDlg*>().size(), 2);
    QVERIFY(dlg.m_messages.isEmpty());
    QDir().mkpath(VARNEL_GUI_ARTIFACT_DIR);
    QVERIFY(boxes[1]->grab().save(VARNEL_GUI_ARTIFACT_DIR "/about.png"));
}

void CTestLook::commentsOpensFeedbackPage()
{
    CFakeEnumerator drives;
    CTestDlg dlg(&drives);
    QWidget* pComments = dlg.m_toolBar->findChild<QWidget*>("toolbar Comments");
    QVERIFY(pComments);
    QTest::mouseClick(pComments, Qt::LeftButton);
    QCOMPARE(dlg.m_opened.size(), 1);
    QCOMPARE(dlg.m_opened[0].scheme(), "https");
    QCOMPARE(dlg.m_opened[0].path(), "/software-reviews/comments.php");
    QVERIFY(!dlg.m_opened[0].host().isEmpty());
    QVERIFY(dlg.m_messages.isEmpty());
}

QTEST_MAIN(CTestLook)
#include "test_look.moc"
