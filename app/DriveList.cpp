// The drive list: one item per drive the edition profile offers, an engine
// per drive, and the list kept current as devices come and go.

#include <QFileDialog>
#include <QSocketNotifier>
#include <QStatusBar>

#include "app/RecoveryDlg.h"
#include "model/EditionProfile.h"
#include "platform/DeviceMonitor.h"
#include "ui/FileListModel.h"
#include "ui/ResultTreeModel.h"
#include "ui/TreeCtrlCh.h"

#ifdef _WIN32
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <windows.h>
// windows.h names its message box call MessageBox too; the window's own is meant here.
#undef MessageBox
#endif

namespace {

bool IsBelow(const CResultItem* pItem, const CResultItem* pAncestor)
{
    for (const CResultItem* p = pItem; p; p = p->GetParent())
        if (p == pAncestor) return true;
    return false;
}

#ifdef _WIN32
// Windows tells each top-level window of drives coming and going with
// WM_DEVICECHANGE, the event in its wParam (arrival 0x8000, removal complete
// 0x8004): the device monitor of this system.
class CDeviceChangeFilter final : public QObject, public QAbstractNativeEventFilter {
public:
    explicit CDeviceChangeFilter(CRecoveryDlg* pDlg) : QObject(pDlg), m_pDlg(pDlg)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~CDeviceChangeFilter() override
    {
        if (QCoreApplication* pApp = QCoreApplication::instance()) pApp->removeNativeEventFilter(this);
    }
    bool nativeEventFilter(const QByteArray& eventType, void* pMessage, qintptr*) override
    {
        if (eventType != "windows_generic_MSG") return false;
        const MSG* pMsg = static_cast<const MSG*>(pMessage);
        // The message goes to every top-level window; the main window's copy is the one acted on.
        if (pMsg->message == WM_DEVICECHANGE && pMsg->hwnd == reinterpret_cast<HWND>(m_pDlg->internalWinId()))
            m_pDlg->OnDeviceChange(static_cast<unsigned>(pMsg->wParam));
        return false;
    }

private:
    CRecoveryDlg* m_pDlg;
};
#endif

}  // namespace

bool CRecoveryDlg::Qualifies(const CVolumeInfo& info) const
{
    // No file system recognised: the volume information cannot be read.
    if (info.m_strFileSystem.empty()) return false;
    // An image file was named by the user: it is offered whatever the profile's drive types.
    if (info.m_bImage) return true;
    if (info.m_nType != EDriveType::Removable && info.m_nType != EDriveType::Fixed) return false;
    EDriveType nWanted = g_bFixedAndRemovable ? info.m_nType
                         : g_bRemovableOnly   ? EDriveType::Removable
                                              : EDriveType::Fixed;
    return info.m_nType == nWanted;
}

void CRecoveryDlg::RefreshVolumeTable()
{
    CVolumeTable& table = CVolumeTable::Instance();
    std::vector<CVolumeInfo> volumes = m_pEnumerator->Enumerate();
    for (int i = 0; i < DRIVE_COUNT; ++i) {
        std::optional<CVolumeInfo> info = table.Get(i);
        if (!info || info->m_bImage) continue;
        bool bPresent = std::any_of(volumes.begin(), volumes.end(), [&](const CVolumeInfo& v) {
            return v.m_strSourcePath == info->m_strSourcePath;
        });
        if (!bPresent) table.Remove(i);
    }
    for (const CVolumeInfo& info : volumes) table.Register(info);
}

int CRecoveryDlg::RegisterImageFile(const std::string& strPath, std::string* pError)
{
    CVolumeInfo info;
    if (!ProbeVolume(strPath, &info, pError)) return -1;
    if (info.m_strFileSystem.empty()) {
        if (pError) *pError = strPath + ": no file system was found in this image";
        return -1;
    }
    info.m_bImage = true;
    info.m_nType = EDriveType::Fixed;
    info.m_strDescription = "image " + strPath;
    int nDrive = CVolumeTable::Instance().Register(info);
    if (nDrive < 0 && pError) *pError = strPath + ": every drive letter is taken";
    return nDrive;
}

int CRecoveryDlg::GetDriveNumber(const std::string& strText)
{
    if (strText.size() == 1 && strText[0] >= 'A' && strText[0] <= 'Z') return strText[0] - 'A';
    return 0;
}

void CRecoveryDlg::CreateFileSystem(int nDrive, const std::string& strFileSystem)
{
    if (nDrive < 0 || nDrive >= DRIVE_COUNT) return;
    // A worker may still be on the way to its stop point with the old engine.
    std::unique_ptr<CFileSystem>& pEngine = m_pFileSystem[static_cast<size_t>(nDrive)];
    if (pEngine && IsWorking()) m_pRetiredFileSystems.push_back(std::move(pEngine));
    // Null for a file system no engine knows; such a drive is listed all the same.
    pEngine = ::CreateFileSystem(nDrive, strFileSystem);
}

CResultItem* CRecoveryDlg::FindDriveItem(const std::string& strLetter) const
{
    return m_resultTree.FindDrive(strLetter);
}

void CRecoveryDlg::AddDriveItem(int nDrive, const CVolumeInfo& info)
{
    std::string strLetter = DriveLetter(nDrive);
    m_pTreeModel->AddDrive(strLetter);
    CreateFileSystem(GetDriveNumber(strLetter), info.m_strFileSystem);
    DRIVEINFO& drive = m_driveInfo[static_cast<size_t>(nDrive)];
    drive.m_strLetter = strLetter;
    drive.m_strVolumeLabel = info.m_strVolumeLabel;
    drive.m_strSerial = info.m_strSerial;
    drive.m_strFileSystem = info.m_strFileSystem;
    m_strDriveSource[static_cast<size_t>(nDrive)] = info.m_strSourcePath;
}

void CRecoveryDlg::ListDrives()
{
    RefreshVolumeTable();
    CResultItem* pRoot = m_resultTree.GetRoot();
    // Built again (New Scan): the old drive items go with their results.
    m_pListModel->Clear();
    m_hCurrentItem = pRoot;
    m_hScanItem = nullptr;
    while (pRoot->HasChildren()) m_pTreeModel->RemoveItem(pRoot->GetChild(pRoot->GetChildCount() - 1));
    for (DRIVEINFO& drive : m_driveInfo) drive = DRIVEINFO();
    for (std::string& strSource : m_strDriveSource) strSource.clear();

    const CVolumeTable& table = CVolumeTable::Instance();
    uint32_t nMask = table.GetLogicalDrives();
    for (int i = 0; i < DRIVE_COUNT; ++i) {
        if (!(nMask & (1u << i))) continue;
        std::optional<CVolumeInfo> info = table.Get(i);
        if (!info || !Qualifies(*info) || info->m_strFileSystem == "CDFS") continue;
        AddDriveItem(i, *info);
    }
    m_tree->expand(m_pTreeModel->IndexOf(pRoot));
}

bool CRecoveryDlg::OnDeviceChange(unsigned nEvent)
{
    if (!g_bRemovableOnly && !g_bFixedAndRemovable) return false;
    if (nEvent == DBT_DEVICEARRIVAL) {
        SuspendWorkers();
        AddArrivedDrives();
        ResumeWorkers();
    } else if (nEvent == DBT_DEVICEREMOVECOMPLETE) {
        SuspendWorkers();
        RemoveLostDrives();
        ResumeWorkers();
    }
    return false;
}

// Workers are never paused from outside; they hold still at points of their
// own choosing. The scan and recovery workers take their pause gate here.
void CRecoveryDlg::SuspendWorkers() {}
void CRecoveryDlg::ResumeWorkers() {}

void CRecoveryDlg::AddArrivedDrives()
{
    RefreshVolumeTable();
    const CVolumeTable& table = CVolumeTable::Instance();
    uint32_t nMask = table.GetLogicalDrives();
    for (int i = 0; i < DRIVE_COUNT; ++i) {
        if (!(nMask & (1u << i))) continue;
        std::optional<CVolumeInfo> info = table.Get(i);
        if (!info || !Qualifies(*info) || info->m_strFileSystem == "CDFS") continue;
        std::string strLetter = DriveLetter(i);
        bool bListed = std::any_of(m_driveInfo.begin(), m_driveInfo.end(),
                                   [&](const DRIVEINFO& drive) { return drive.m_strLetter == strLetter; });
        if (bListed) continue;
        AddDriveItem(i, *info);
    }
    m_tree->expand(m_pTreeModel->IndexOf(m_resultTree.GetRoot()));
    // Clearing the tree phase of a scan still building its tree would let
    // closing or a stop skip the tree worker; only an idle window resets it.
    if (!m_bScanning) m_bTreePhase = false;
}

void CRecoveryDlg::RemoveLostDrives()
{
    RefreshVolumeTable();
    const CVolumeTable& table = CVolumeTable::Instance();
    uint32_t nMask = table.GetLogicalDrives();
    for (int j = 0; j < DRIVE_COUNT; ++j) {
        DRIVEINFO& drive = m_driveInfo[static_cast<size_t>(j)];
        if (drive.m_strLetter.empty()) continue;
        std::optional<CVolumeInfo> info = (nMask & (1u << j)) ? table.Get(j) : std::nullopt;
        bool bPresent = info && Qualifies(*info) && info->m_strSourcePath == m_strDriveSource[static_cast<size_t>(j)];
        if (bPresent) continue;

        // The run reads the drive's items; it ends before they go.
        if (m_nRecoverDrive == j) EndRecoveryWork();
        if (CResultItem* pDrive = FindDriveItem(drive.m_strLetter)) {
            // Nothing may keep pointing into the items that go.
            if (IsBelow(m_pListModel->ShownParent(), pDrive)) m_pListModel->Clear();
            if (IsBelow(m_hCurrentItem, pDrive)) m_hCurrentItem = m_resultTree.GetRoot();
            if (IsBelow(m_hScanItem, pDrive)) m_hScanItem = nullptr;
            m_pTreeModel->RemoveItem(pDrive);
        }
        if (GetDriveNumber(drive.m_strLetter) == m_nCurDrive) EndDriveWork();
        MessageBox(QStringLiteral("Drive Lost : ") + QString::fromStdString(drive.m_strLetter), ProductTitleText());
        drive = DRIVEINFO();
        m_strDriveSource[static_cast<size_t>(j)].clear();
    }
}

QString CRecoveryDlg::DriveDescription(const CResultItem* pDrive) const
{
    if (!pDrive) return {};
    int nDrive = GetDriveNumber(pDrive->GetText());
    const DRIVEINFO& drive = m_driveInfo[static_cast<size_t>(nDrive)];
    QString strText = QString::fromStdString(pDrive->GetText()) + QStringLiteral(":");
    std::optional<CVolumeInfo> info = CVolumeTable::Instance().Get(nDrive);
    if (info && info->m_strSourcePath == m_strDriveSource[static_cast<size_t>(nDrive)]) {
        const std::string& strWhat = info->m_strDescription.empty() ? info->m_strSourcePath : info->m_strDescription;
        strText += QStringLiteral("  ") + QString::fromStdString(strWhat);
    }
    if (!drive.m_strFileSystem.empty()) strText += QStringLiteral("  ") + QString::fromStdString(drive.m_strFileSystem);
    if (!drive.m_strVolumeLabel.empty())
        strText += QStringLiteral("  \"") + QString::fromStdString(drive.m_strVolumeLabel) + QStringLiteral("\"");
    return strText;
}

void CRecoveryDlg::ShowDriveStatus(const CResultItem* pItem)
{
    if (pItem && pItem->IsDrive())
        statusBar()->showMessage(DriveDescription(pItem));
    else
        statusBar()->clearMessage();
}

void CRecoveryDlg::StartDeviceMonitor()
{
#ifdef _WIN32
    new CDeviceChangeFilter(this);
#else
    m_pDeviceMonitor = std::make_unique<CDeviceMonitor>();
    if (!m_pDeviceMonitor->IsOpen()) return;
    m_pDeviceNotifier = new QSocketNotifier(m_pDeviceMonitor->GetFd(), QSocketNotifier::Read, this);
    connect(m_pDeviceNotifier, &QSocketNotifier::activated, this, &CRecoveryDlg::OnDeviceEvents);
#endif
}

void CRecoveryDlg::OnDeviceEvents()
{
    bool bAdded = false;
    bool bRemoved = false;
    for (const CDeviceEvent& event : m_pDeviceMonitor->Read())
        (event.m_nEvent == EDeviceEvent::Added ? bAdded : bRemoved) = true;
    // A burst (a disk and its partitions) is one change of the drive list.
    if (bRemoved) OnDeviceChange(DBT_DEVICEREMOVECOMPLETE);
    if (bAdded) OnDeviceChange(DBT_DEVICEARRIVAL);
}

void CRecoveryDlg::OnOpenImage()
{
    QString strPath = QFileDialog::getOpenFileName(this, QStringLiteral("Open Image"), QString(),
                                                   QStringLiteral("Disk images (*.img *.raw *.dd *.bin *.iso);;All files (*)"));
    if (strPath.isEmpty()) return;
    std::string strError;
    if (RegisterImageFile(strPath.toStdString(), &strError) < 0) {
        MessageBox(QString::fromStdString(strError), QString::fromLatin1(CAPTION_ERROR), QMessageBox::Ok,
                   QMessageBox::Warning);
        return;
    }
    AddArrivedDrives();
}
