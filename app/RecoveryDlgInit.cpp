// Start-up, layout, toolbar and menu of the main window; closing; messages.

#include <QAction>
#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "app/RecoveryDlg.h"
#include "model/EditionProfile.h"
#include "platform/DeviceMonitor.h"
#include "ui/CheckDrivesDialog.h"
#include "ui/DeletedFilter.h"
#include "ui/DialogBackground.h"
#include "ui/FileListModel.h"
#include "ui/ResultTreeModel.h"
#include "ui/SplitterControl.h"
#include "ui/TreeCtrlCh.h"

namespace {

// The toolbar's buttons carry their captions in their pictures; a tooltip
// repeating the caption is not wanted.
class CNoToolTips final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* pEvent) override { return pEvent->type() == QEvent::ToolTip; }
};

QLabel* NamedLabel(const QString& strText, QWidget* pParent)
{
    auto* pLabel = new QLabel(strText, pParent);
    pLabel->setAccessibleName(strText);
    return pLabel;
}

}  // namespace

CRecoveryDlg::CRecoveryDlg(IDriveEnumerator* pEnumerator, QWidget* pParent)
    : QMainWindow(pParent), m_pEnumerator(pEnumerator)
{
    InitGuiResources();
    m_hIcon = QIcon(QStringLiteral(":/varnel.png"));
    ApplyEditionProfile();
    if (!m_pEnumerator) {
        m_pOwnEnumerator = std::make_unique<CSystemDriveEnumerator>();
        m_pEnumerator = m_pOwnEnumerator.get();
    }
    OnInitDialog();
}

CRecoveryDlg::~CRecoveryDlg()
{
    // A window destroyed without being closed still lets its workers end first.
    m_bClosing = true;
    EndAllWork();
    // The notifier goes before the monitor whose descriptor it watches, and
    // the views and models before the result tree they show.
    delete m_pDeviceNotifier;
    m_pDeviceNotifier = nullptr;
    delete takeCentralWidget();
    delete m_pTreeModel;
    delete m_pListModel;
}

QString CRecoveryDlg::ProductTitleText() { return QString::fromStdString(ProductTitle()); }

QMessageBox::StandardButton CRecoveryDlg::MessageBox(const QString& strText, const QString& strCaption,
                                                     QMessageBox::StandardButtons buttons, QMessageBox::Icon nIcon)
{
    QMessageBox box(nIcon, strCaption, strText, buttons, this);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void CRecoveryDlg::PlaceControlsAtStart(QWidget* pClient)
{
    // The top edges and the left edges that no size change moves; the rest
    // follows from the client area's size (LayoutControls).
    constexpr int MARGIN = 5;
    constexpr int GAP = 6;
    const int nRowHeight = m_address->sizeHint().height();
    const int nLabelWidth = m_addressLabel->sizeHint().width();
    m_addressLabel->setGeometry(MARGIN, GAP, nLabelWidth, nRowHeight);
    m_address->setGeometry(MARGIN + nLabelWidth + GAP, GAP, 0, nRowHeight);
    m_goButton->setGeometry(0, GAP, 0, nRowHeight);
    const int nPanesTop = GAP + nRowHeight + GAP;
    m_tree->setGeometry(MARGIN + 1, nPanesTop, 0, 0);
    m_listStack->setGeometry(0, nPanesTop, 0, 0);
    m_rcSplitterPlace = QRect(0, nPanesTop, 1, 0);
    int nHelpTipWidth = 0;
    for (const char* pszTip : {HELP_TIP_SELECT_DRIVE, HELP_TIP_STOP_SCAN, HELP_TIP_RECOVER})
        nHelpTipWidth = std::max(nHelpTipWidth, m_helpTip->fontMetrics().horizontalAdvance(QString::fromLatin1(pszTip)));
    m_helpTip->setGeometry(MARGIN, 0, nHelpTipWidth + GAP, 0);
    // Room for the widest spot the tree and list may be dragged to, and a list beside it.
    pClient->setMinimumSize(560, 320);
}

void CRecoveryDlg::OnInitDialog()
{
    setWindowTitle(ProductTitleText());
    setAccessibleName(windowTitle());
    setWindowIcon(m_hIcon);

    // The controls sit at fixed distances from the edges of the client area
    // (Layout.cpp), not in a layout of their own.
    auto* pCentral = new QWidget(this);
    m_addressLabel = NamedLabel(QStringLiteral("Address"), pCentral);
    m_address = new QLineEdit(pCentral);
    m_address->setObjectName(QStringLiteral("address"));
    m_address->setAccessibleName(QStringLiteral("Address"));
    m_addressLabel->setBuddy(m_address);
    m_goButton = new QPushButton(QStringLiteral("Go"), pCentral);
    m_goButton->setObjectName(QStringLiteral("go"));
    m_goButton->setAccessibleName(QStringLiteral("Go"));
    m_goButton->setDefault(true);

    m_tree = new CTreeCtrlCh(pCentral);
    m_tree->setObjectName(QStringLiteral("tree"));
    m_tree->setAccessibleName(QStringLiteral("Drives and Folders"));
    m_listStack = new QStackedWidget(pCentral);
    m_listStack->setAccessibleName(QStringLiteral("File List Views"));
    m_list = new CFileListView(m_listStack);
    m_list->setObjectName(QStringLiteral("list"));
    m_list->setAccessibleName(QStringLiteral("File List"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setUniformItemSizes(true);
    m_list->setMovement(QListView::Static);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setWrapping(true);
    m_list->setWordWrap(true);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_details = new CFileDetailsView(m_list, m_listStack);
    m_details->setObjectName(QStringLiteral("details"));
    m_details->setAccessibleName(QStringLiteral("File List Details"));
    m_listStack->addWidget(m_list);
    m_listStack->addWidget(m_details);
    m_splitter = new CSplitterControl(pCentral);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    connect(m_splitter, &CSplitterControl::SplitterMoved, this, [this](int nID, int nDelta) {
        if (nID == IDC_SPLITTER) ResizeTreeAndList(nDelta);
    });

    m_helpTip = NamedLabel(QString::fromLatin1(HELP_TIP_SELECT_DRIVE), pCentral);
    m_helpTip->setObjectName(QStringLiteral("helpTip"));
    m_copyright = NamedLabel(QStringLiteral("Copyright \u00A9 2026 Varnel Software"), pCentral);
    m_copyright->setObjectName(QStringLiteral("copyright"));
    m_copyright->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PlaceControlsAtStart(pCentral);
    setCentralWidget(pCentral);
    pCentral->installEventFilter(this);
    SetDialogBackground(this);

    // The models: the tree over the result tree, the list over one item's children.
    m_pTreeModel = new CResultTreeModel(m_resultTree, this);
    m_pTreeModel->m_fnDriveToolTip = [this](const CResultItem* pDrive) { return DriveDescription(pDrive); };
    m_tree->setModel(m_pTreeModel);
    m_pListModel = new CFileListModel(this);
    m_list->setModel(m_pListModel);
    m_details->setModel(m_pListModel);
    m_details->setSelectionModel(m_list->selectionModel());
    for (int i = 0; i < CFileListModel::COLUMN_COUNT; ++i)
        m_details->setColumnWidth(i, m_pListModel->headerData(i, Qt::Horizontal, Qt::SizeHintRole).toSize().width());
    m_pDeletedFilter = new CDeletedOnlyFilter(m_tree, m_pTreeModel, m_pListModel, this);

    InitImageLists();
    InitMenu();
    ListDrives();
    InitToolBar();
    m_nFileCount = 0;
    m_nFolderCount = 0;
    statusBar()->setSizeGripEnabled(true);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this, &CRecoveryDlg::OnSelchangedTree);
    connect(m_tree, &QTreeView::doubleClicked, this, &CRecoveryDlg::OnTreeDblClk);
    connect(m_list, &CFileListView::ListClicked, this, &CRecoveryDlg::OnClickList);
    connect(m_list, &CFileListView::ListDoubleClicked, this, &CRecoveryDlg::OnDblclkList);
    connect(m_address, &QLineEdit::textChanged, this, &CRecoveryDlg::OnAddressChange);
    connect(m_address, &QLineEdit::returnPressed, this, &CRecoveryDlg::OnGo);
    connect(m_goButton, &QPushButton::clicked, this, &CRecoveryDlg::OnGo);

    m_bTreeDone = m_bScanStopped = m_bRecovering = m_bScanning = m_bClosing = false;
    m_bScanAllowed = 0;
    m_bScanRunning = 0;
    m_bCanRecover = 0;
    m_bRecoveryActive = 0;

    // 506 x 310 dialog units of the 8-point dialog font, plus toolbar and menu.
    resize(780, 600);
    StartDeviceMonitor();
}

void CRecoveryDlg::InitImageLists()
{
    // Both views take their pictures from the same six icons; the icon size
    // picks the 20x20 or the 32x32 one.
    m_tree->setIconSize(QSize(20, 20));
    SetListView(LVS_ICON);
}

void CRecoveryDlg::InitToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setAccessibleName(QStringLiteral("Toolbar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(54, 53));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setContextMenuPolicy(Qt::PreventContextMenu);

    struct CButton {
        const char* pszCaption;
        const char* pszPicture;
        void (CRecoveryDlg::*pfnHandler)();
    };
    static const CButton buttons[] = {
        {"Scan", "scan", &CRecoveryDlg::OnScan},
        {"Stop Scan", "stop-scan", &CRecoveryDlg::OnStopCommand},
        {"Recover", "recover", &CRecoveryDlg::OnRecover},
        {"Level UP", "level-up", &CRecoveryDlg::GoUp},
        {"Help", "help", &CRecoveryDlg::OnHelpIndex},
        {"Comments", "comments", &CRecoveryDlg::OnFeedback},
        {"Exit", "exit", nullptr},  // closes the window
    };
    auto* pNoTips = new CNoToolTips(m_toolBar);
    m_toolBar->addSeparator();
    for (const CButton& button : buttons) {
        QString strCaption = QString::fromLatin1(button.pszCaption);
        QIcon icon(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(button.pszPicture)));
        QAction* pAction = m_toolBar->addAction(icon, strCaption);
        pAction->setObjectName(QStringLiteral("toolbar ") + strCaption);
        if (button.pfnHandler)
            connect(pAction, &QAction::triggered, this, button.pfnHandler);
        else
            connect(pAction, &QAction::triggered, this, &QWidget::close);
        if (QWidget* pButton = m_toolBar->widgetForAction(pAction)) {
            pButton->setAccessibleName(strCaption);
            pButton->setObjectName(pAction->objectName());
            pButton->installEventFilter(pNoTips);
        }
        if (&button != &buttons[std::size(buttons) - 1]) m_toolBar->addSeparator();
    }
}

void CRecoveryDlg::InitMenu()
{
    m_pFileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    m_pNewScanAction = m_pFileMenu->addAction(QStringLiteral("&New Scan"), this, &CRecoveryDlg::OnNewScan);
    m_pFileMenu->addAction(QStringLiteral("&Open Image..."), this, &CRecoveryDlg::OnOpenImage);
    m_pFileMenu->addAction(QStringLiteral("&Exit"), this, &QWidget::close);
    if (!g_bNewScanEnabled) {
        m_pFileMenu->removeAction(m_pNewScanAction);
        delete m_pNewScanAction;
        m_pNewScanAction = nullptr;
    }

    QMenu* pView = menuBar()->addMenu(QStringLiteral("&View"));
    pView->addAction(QStringLiteral("&Small Icons"), this, &CRecoveryDlg::OnViewSmallIcon);
    pView->addAction(QStringLiteral("&Large Icon"), this, &CRecoveryDlg::OnViewLargeIcon);
    pView->addAction(QStringLiteral("&List"), this, &CRecoveryDlg::OnViewList);
    pView->addAction(QStringLiteral("&Details"), this, &CRecoveryDlg::OnViewDetails);
    pView->addSeparator();
    m_pDeletedOnlyAction = pView->addAction(QStringLiteral("Show deleted items only"));
    m_pDeletedOnlyAction->setCheckable(true);
    connect(m_pDeletedOnlyAction, &QAction::toggled, this, &CRecoveryDlg::OnViewDeletedOnly);
    pView->addSeparator();
    QMenu* pGoTo = pView->addMenu(QStringLiteral("Go to"));
    pGoTo->addAction(QStringLiteral("&Back"), this, &CRecoveryDlg::GoBack);
    pGoTo->addAction(QStringLiteral("&Forward"), this, &CRecoveryDlg::GoForward);
    pGoTo->addAction(QStringLiteral("&Up"), this, &CRecoveryDlg::GoUp);

    QMenu* pHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    pHelp->addAction(QStringLiteral("&About"), this, &CRecoveryDlg::OnAbout);
    pHelp->addAction(QStringLiteral("&Help Index"), this, &CRecoveryDlg::OnHelpIndex);
}

void CRecoveryDlg::showEvent(QShowEvent* pEvent)
{
    QMainWindow::showEvent(pEvent);
    if (m_bShownOnce) return;
    m_bShownOnce = true;
    // After the window is up, so that the notice stands in front of it.
    if (m_pTreeModel->rowCount(m_pTreeModel->IndexOf(m_resultTree.GetRoot())) == 0 && g_bRemovableOnly)
        QTimer::singleShot(0, this, &CRecoveryDlg::ShowNoDrivesNotice);
}

void CRecoveryDlg::ShowNoDrivesNotice()
{
    if (!m_pCheckDrivesDlg) m_pCheckDrivesDlg = new CCheckDrivesDialog(this);
    // Application-modal: the main window takes no input until the notice is dismissed.
    m_pCheckDrivesDlg->setWindowModality(Qt::ApplicationModal);
    m_pCheckDrivesDlg->show();
    m_pCheckDrivesDlg->raise();
    m_pCheckDrivesDlg->activateWindow();
}

void CRecoveryDlg::keyPressEvent(QKeyEvent* pEvent)
{
    // Escape never closes the main window.
    if (pEvent->key() == Qt::Key_Escape) {
        pEvent->accept();
        return;
    }
    QMainWindow::keyPressEvent(pEvent);
}

void CRecoveryDlg::closeEvent(QCloseEvent* pEvent)
{
    OnClose();
    pEvent->accept();
}

void CRecoveryDlg::OnClose()
{
    m_bClosing = true;
    // Workers stop at their own points (the engine's next poll of its stop
    // flag, the next cluster of a recovery); closing waits for exactly that.
    EndAllWork();
}
