#pragma once
// The main window: drive and folder tree, file list, address bar, toolbar and
// menu. Its operations live in one source file per concern:
//   RecoveryDlgInit.cpp  start-up, layout, toolbar, menu, closing, messages
//   DriveList.cpp        drive list, engines, device changes, image files
//   FileList.cpp         the file list, its clicks and its three views
//   Navigation.cpp       address bar, Go, Back, Forward, Up, tree selection
//   Scan.cpp, Recovery.cpp  the scan and recovery commands

#include <QMainWindow>
#include <QMessageBox>
#include <QRect>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fs/FileSystem.h"
#include "model/ResultTree.h"
#include "model/TreeBuilder.h"
#include "platform/DriveEnumerator.h"
#include "platform/VolumeTable.h"
#include "recover/RecoveryWalk.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSocketNotifier;
class QStackedWidget;
class QTimer;
class QUrl;
class QToolBar;
class CCheckDrivesDialog;
class CDeviceMonitor;
class CFileListModel;
class CDeletedOnlyFilter;
class CFileDetailsView;
class CFileListView;
class CRecoveryProgress;
class CResultTreeModel;
class CShowScanProgress;
class CSplitterControl;
class CTreeCtrlCh;
class CTreeProgress;

// One listed drive. An entry whose letter is empty is free.
struct DRIVEINFO {
    std::string m_strLetter;      // "C"
    std::string m_strVolumeLabel;
    std::string m_strSerial;      // "%04X-%04X"
    std::string m_strFileSystem;  // "NTFS", "FAT32", "FAT", or another name (no engine)
};

// Device-change events, as the handler takes them.
inline constexpr unsigned DBT_DEVICEARRIVAL = 0x8000;
inline constexpr unsigned DBT_DEVICEREMOVECOMPLETE = 0x8004;

// List view types, as GetListView and SetListView take them.
inline constexpr int LVS_ICON = 0;
inline constexpr int LVS_REPORT = 1;
inline constexpr int LVS_SMALLICON = 2;
inline constexpr int LVS_LIST = 3;
inline constexpr int LVS_TYPEMASK = 3;

// Size changes, as OnSize takes them.
inline constexpr int SIZE_RESTORED = 0;
inline constexpr int SIZE_MINIMIZED = 1;
inline constexpr int SIZE_MAXIMIZED = 2;

// The splitter between the tree and the list, by its control identifier.
inline constexpr int IDC_SPLITTER = 1036;

inline constexpr const char* HELP_FILE_NAME = "Help.chm";
inline constexpr const char* MSG_HELP_NOT_FOUND = "Help File not found: ";
inline constexpr const char* CAPTION_HELP_ERROR = "Help Opening Error";
inline constexpr const char* FEEDBACK_URL = "https://www.varnelrecovery.com/software-reviews/comments.php";

inline constexpr const char* HELP_TIP_SELECT_DRIVE = "Help Tip: Select drive and Press Scan Drive Button";
inline constexpr const char* HELP_TIP_STOP_SCAN = "Help Tip: Select Stop Scan if you want to quit Scan";
inline constexpr const char* HELP_TIP_RECOVER = "Help Tip:Select file/folder and press Recovery";
inline constexpr const char* MSG_CONFIRM_SCAN = "Do you want to Scan this Drive?";
inline constexpr const char* CAPTION_CONFIRM_SCAN = "Please Confirm Drive Scan";
inline constexpr const char* MSG_CONFIRM_STOP_SCAN =
    "Are you sure, you want to stop scan?\nNote: By stopping scan all files may not be shown";
inline constexpr const char* CAPTION_CONFIRM_STOP_SCAN = "Please Confirm Stop Scan";
inline constexpr const char* MSG_CONFIRM_NEW_SCAN =
    "Are you sure, you want to start New Scan?\nNote: By starting New Scan all previous scan results will be lost";
inline constexpr const char* CAPTION_NEW_SCAN = "Start New Scan";

class CRecoveryDlg : public QMainWindow {
    Q_OBJECT
public:
    // pEnumerator finds the machine's block devices (not owned); null: the
    // system's own drive list. The edition profile is applied here.
    explicit CRecoveryDlg(IDriveEnumerator* pEnumerator = nullptr, QWidget* pParent = nullptr);
    ~CRecoveryDlg() override;

    // "Varnel Data Recovery for " + the edition label.
    static QString ProductTitleText();
    // Every message box of the window goes through here (tests capture them).
    virtual QMessageBox::StandardButton MessageBox(const QString& strText, const QString& strCaption,
                                                   QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                                   QMessageBox::Icon nIcon = QMessageBox::NoIcon);

    // Opens a file or web page as the desktop does (tests capture it).
    virtual bool ShellOpen(const QUrl& url);

    // Start-up (RecoveryDlgInit.cpp).
    void OnInitDialog();
    void InitImageLists();
    void InitToolBar();
    void InitMenu();

    // Layout (Layout.cpp). Distances are in pixels of the client area; a
    // flag set means the distance is taken from the right or bottom edge.
    static QRect PlaceRect(QRect rect, int cx, int cy, int nLeft, int nRight, int nTop, int nBottom,
                           bool bLeftFromRight, bool bRightFromRight, bool bTopFromBottom, bool bBottomFromBottom);
    QRect SetControlPos(QWidget* pControl, int cx, int cy, int nLeft, int nRight, int nTop, int nBottom,
                        bool bLeftFromRight, bool bRightFromRight, bool bTopFromBottom, bool bBottomFromBottom);
    // Everything at its fixed place for a client area of cx x cy, the
    // splitter included; the list then shows the selected item again.
    void LayoutControls(int cx, int cy);
    // The same distances from the edges, with tree and list shared as they are.
    void KeepDistances(int cx, int cy);
    void OnSize(int nType, int cx, int cy);
    // The splitter was dragged nDistance pixels: the tree widens, the list narrows.
    void ResizeTreeAndList(int nDistance);

    // Help, About and Comments (Help.cpp). The manual that comes with the
    // program, or an empty string when it cannot be found.
    static QString FindHelpManual();

    // Drive list (DriveList.cpp).
    void ListDrives();
    void CreateFileSystem(int nDrive, const std::string& strFileSystem);
    static int GetDriveNumber(const std::string& strText);
    bool OnDeviceChange(unsigned nEvent);
    void AddArrivedDrives();
    void RemoveLostDrives();
    void SuspendWorkers();
    void ResumeWorkers();
    // Probes an image file and gives it a drive letter; -1 (and why) when it cannot be used.
    static int RegisterImageFile(const std::string& strPath, std::string* pError);
    // What the user knows a drive item by: letter, device or image, file system, label.
    QString DriveDescription(const CResultItem* pDrive) const;
    CResultItem* FindDriveItem(const std::string& strLetter) const;

    // Scanning (Scan.cpp). The pre-scan check leaves its verdict in m_bScanAllowed.
    void CheckDriveBeforeScan();
    void OnTreeDblClk();
    // Asks whether to stop the scan once the caller's handler has returned.
    void StartStopThread();
    // The stop question; the scan waits at its pause gate while it is open.
    void StopScan();
    void SetHelpTip(const char* pszText);
    // Moves a finished, separately built tree under the drive item in one
    // model step, expands the drive and lists it.
    void AdoptScanResult(CResultItem* pDriveItem, CResultItem& built);
    // The drive of the current scan or recovery is gone: its work must end.
    void EndDriveWork();
    // Stops every worker at its next stop point and waits until all have
    // ended, keeping the window's events flowing meanwhile. Their results
    // are dropped. For closing and New Scan.
    void EndAllWork();
    // A scan, its tree building or a recovery has a thread of its own right now.
    bool IsWorking() const;
    // One turn of the window's events while waiting for a worker to end: its
    // hand-over, and any question it waits on, need them.
    void PumpWhileWaiting();

    // Recovery (Recovery.cpp). The run writes through the core's recovery
    // walk on a thread of its own; what it writes is fixed before it starts.
    void RecoverSelection();
    void RecoverTreeSelection();
    void RecoverListSelection();
    // One item of a list run (recovery thread).
    void RecoverListItem(CResultItem* pItem);
    // The folder picker; false when the user cancelled.
    bool BrowseForFolder(QWidget* pOwner, QString* pPath);
    // Cancels the run and waits for it to end (drive loss, New Scan, closing).
    void EndRecoveryWork();

    // File list (FileList.cpp).
    void FillList(CResultItem* pItem);
    CResultItem* FindChildItem(CResultItem* pParent, const QString& strText) const;
    CResultItem* FindInCurrentFolder(const QString& strName);
    int GetListView() const;
    void SetListView(int nType);
    // The text of the first selected list item; empty when none is selected.
    QString FirstSelectedListText() const;

    // Navigation (Navigation.cpp).
    void ShowItemPath(CResultItem* pItem);
    void ShowSelectionPath();
    CResultItem* NavigateToPath(const QString& strText, bool bResolveLast);
    void SelectTreeItem(CResultItem* pItem);
    CResultItem* GetSelectedTreeItem() const;
    // The last "?"-terminated entry of a history and where it starts.
    static QString LastHistoryEntry(const QString& strHistory, int* pStart);

public slots:
    void OnScan();
    void OnStopCommand();
    void OnRecover();
    void OnNewScan();
    void OnAbout();
    void OnHelpIndex();
    void OnFeedback();
    void OnOpenImage();
    void OnViewSmallIcon();
    void OnViewLargeIcon();
    void OnViewList();
    void OnViewDetails();
    // "Show deleted items only" in the View menu.
    void OnViewDeletedOnly(bool bOn);
    void OnGo();
    void OnAddressChange();
    void OnSelchangedTree();
    void OnClickList();
    void OnDblclkList();
    void GoBack();
    void GoForward();
    void GoUp();

protected:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    void OnClose();

private:
    // The scan thread's body.
    void RunScan(CFileSystem* pEngine);
    void OnScanReturned();
    void StartTreeBuild(CFileSystem* pEngine);
    // The tree-progress poller's step.
    void TreeProgressThread();
    void OnTreeBuilt();
    void EndScan();
    // Checks the destination and starts the recovery thread over the items.
    void StartRecoveryRun(std::vector<CResultItem*> items, const QString& strFolder, bool bListRun,
                          const QString& strRefusalCaption);
    void OnRecoveryEnded();
    void StartDeviceMonitor();
    void OnDeviceEvents();
    // Brings the volume table up to date with the enumerator: new devices get
    // a slot, devices that are gone lose theirs. Image files stay.
    void RefreshVolumeTable();
    bool Qualifies(const CVolumeInfo& info) const;
    void AddDriveItem(int nDrive, const CVolumeInfo& info);
    void ShowNoDrivesNotice();
    void SetAddressText(const QString& strText);
    // The edges of the controls that stay where they start.
    void PlaceControlsAtStart(QWidget* pClient);
    // Places every control by its distances, the tree ending at nTreeRight.
    void PlaceControls(int cx, int cy, int nTreeRight);
    void ShowDriveStatus(const CResultItem* pItem);

public:
    // Shared with the workers of scan and recovery; hence atomic.
    std::array<std::unique_ptr<CFileSystem>, DRIVE_COUNT> m_pFileSystem;
    std::atomic<int> m_nCurDrive{0};
    std::atomic<int> m_bScanAllowed{0};
    std::atomic<bool> m_bTreeDone{false};
    std::atomic<bool> m_bScanStopped{false};
    std::atomic<bool> m_bRecovering{false};
    std::atomic<bool> m_bScanning{false};
    std::atomic<bool> m_bClosing{false};
    std::atomic<bool> m_bTreePhase{false};
    bool m_bMaximized = false;
    CCheckDrivesDialog* m_pCheckDrivesDlg = nullptr;
    int64_t m_nFileCount = 0;
    int64_t m_nFolderCount = 0;

    CFileListView* m_list = nullptr;
    // The list in the Details view: the same model and selection as m_list.
    CFileDetailsView* m_details = nullptr;
    QStackedWidget* m_listStack = nullptr;
    CDeletedOnlyFilter* m_pDeletedFilter = nullptr;
    QAction* m_pDeletedOnlyAction = nullptr;
    CTreeCtrlCh* m_tree = nullptr;
    QLabel* m_helpTip = nullptr;
    QLabel* m_copyright = nullptr;
    QLabel* m_addressLabel = nullptr;
    QLineEdit* m_address = nullptr;
    QPushButton* m_goButton = nullptr;
    CSplitterControl* m_splitter = nullptr;
    // Where the splitter goes: the gap between the tree and the list.
    QRect m_rcSplitterPlace;
    QIcon m_hIcon;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pNewScanAction = nullptr;

    // The item whose children the list shows (a file item when a file was
    // selected in the tree); the "Drives" root once the drive list is built.
    CResultItem* m_hCurrentItem = nullptr;
    CResultItem* m_hScanItem = nullptr;
    QString m_strBackHistory;
    QString m_strForwardHistory;
    int m_bCanRecover = 0;
    std::atomic<int> m_bRecoveryActive{0};
    std::atomic<int> m_bScanRunning{0};
    std::array<DRIVEINFO, DRIVE_COUNT> m_driveInfo;
    // The dialogs of the latest scan.
    CShowScanProgress* m_pScanProgress = nullptr;
    CTreeProgress* m_pTreeProgress = nullptr;
    std::thread m_hScanThread;
    std::thread m_hTreeThread;
    QTimer* m_pTreePoller = nullptr;
    // Counts over every build since start-up; the poller reads its item counter.
    CTreeBuilder m_treeBuilder;
    // The dialog of the latest recovery run, its thread and its walk.
    CRecoveryProgress* m_pRecoveryProgress = nullptr;
    std::thread m_hRecoverThread;
    std::unique_ptr<CRecoveryWalk> m_pRecoveryWalk;
    int m_nRecoverDrive = -1;
    // "Tree" or "List": where the user selected last; decides what Recover takes.
    QString m_strFocusPane;

    CResultTree m_resultTree;
    CResultTreeModel* m_pTreeModel = nullptr;
    CFileListModel* m_pListModel = nullptr;

private:
    IDriveEnumerator* m_pEnumerator = nullptr;
    std::unique_ptr<IDriveEnumerator> m_pOwnEnumerator;
    std::unique_ptr<CDeviceMonitor> m_pDeviceMonitor;
    QSocketNotifier* m_pDeviceNotifier = nullptr;
    // The device or image behind each listed drive, so that a letter taken
    // over by another device counts as the old drive lost.
    std::array<std::string, DRIVE_COUNT> m_strDriveSource;
    // Engines replaced while a worker may still hold them; kept to the end.
    std::vector<std::unique_ptr<CFileSystem>> m_pRetiredFileSystems;
    // The tree the tree thread builds, apart from the view.
    std::unique_ptr<CResultItem> m_pBuiltTree;
    // Set while EndAllWork runs: finishing workers hand in nothing.
    bool m_bEndingWork = false;
    // The stop question is open.
    bool m_bStopAsked = false;
    int m_nListView = LVS_ICON;
    bool m_bShownOnce = false;
    bool m_bLaidOut = false;
};
