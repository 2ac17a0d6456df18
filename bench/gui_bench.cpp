// The main window with a million result items: handing the built tree to the
// view and expanding the drive, expanding a folder of 100,000 items, and
// showing that folder in the file list in each of its views. The baseline is
// building the same tree in the core, measured in the same run.
// Runs on the offscreen platform unless another one is asked for.

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <chrono>
#include <cstdio>
#include <functional>

#include "app/RecoveryDlg.h"
#include "model/TreeBuilder.h"
#include "ui/FileListModel.h"
#include "ui/ResultTreeModel.h"
#include "ui/TreeCtrlCh.h"

namespace {

class COneDrive final : public IDriveEnumerator {
public:
    std::vector<CVolumeInfo> Enumerate() override
    {
        CVolumeInfo info;
        info.m_strSourcePath = "/bench/volume";
        info.m_strFileSystem = "NTFS";
        return {info};
    }
};

// 100 folders below the root; the first holds 100,000 files, the others share
// 900,000.
CFoundArray MakeEntries()
{
    CFoundArray found;
    const uint64_t nFolders = 100, nBig = 100000, nTotal = 1000000;
    for (uint64_t f = 0; f < nFolders; ++f) {
        auto p = std::make_unique<CFoundEntry>();
        p->m_nStartRef = 100 + f;
        p->m_nParentRef = 5;
        p->m_wFlags = 3;
        p->m_strName = "Folder " + std::to_string(f);
        found.push_back(std::move(p));
    }
    for (uint64_t i = 0; i < nTotal; ++i) {
        auto p = std::make_unique<CFoundEntry>();
        p->m_nStartRef = 1000 + i;
        p->m_nParentRef = 100 + (i < nBig ? 0 : 1 + i % (nFolders - 1));
        p->m_bDeleted = i % 7 == 0;
        p->m_wFlags = p->m_bDeleted ? 0 : 1;
        p->m_nSize = i * 13 % 100000;
        p->m_strName = "IMG_" + std::to_string(i) + ".JPG";
        found.push_back(std::move(p));
    }
    return found;
}

double Seconds(const std::function<void()>& fn)
{
    QElapsedTimer timer;
    timer.start();
    fn();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// Lets the views lay out and paint what the step changed.
void Settle(QWidget& window)
{
    QApplication::processEvents();
    window.grab();
}

void Report(const char* pszStep, double dSeconds, double dBaseline)
{
    std::printf("%-52s %8.3f s  %6.2fx baseline\n", pszStep, dSeconds, dSeconds / dBaseline);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    COneDrive drives;
    CRecoveryDlg dlg(&drives);
    dlg.resize(1000, 700);
    dlg.show();
    Settle(dlg);

    CFoundArray found = MakeEntries();
    CResultItem built("C", IMAGE_DRIVE);
    const double dBuild = Seconds([&] {
        CTreeBuilder builder;
        builder.Build(found, 5, &built, false);
    });
    Report("build the core tree of 1,000,100 entries (baseline)", dBuild, dBuild);

    CResultItem* pDrive = dlg.FindDriveItem("C");
    if (!pDrive) {
        std::fprintf(stderr, "gui_bench: the drive item is missing\n");
        return 1;
    }
    Report("hand the tree to the view, expand and list the drive", Seconds([&] {
               dlg.AdoptScanResult(pDrive, built);
               Settle(dlg);
           }),
           dBuild);

    CResultItem* pBig = pDrive->GetChild(0);
    for (size_t i = 0; i < pDrive->GetChildCount(); ++i)
        if (pDrive->GetChild(i)->GetChildCount() > pBig->GetChildCount()) pBig = pDrive->GetChild(i);
    std::printf("largest folder: %s with %zu items\n", pBig->GetText().c_str(), pBig->GetChildCount());
    Report("expand it in the tree", Seconds([&] {
               dlg.m_tree->expand(dlg.m_pTreeModel->IndexOf(pBig));
               Settle(dlg);
           }),
           dBuild);
    const struct {
        const char* pszName;
        QListView::ViewMode nMode;
    } views[] = {{"show it in the list (large icons)", QListView::IconMode},
                 {"show it in the list (list view)", QListView::ListMode}};
    for (const auto& view : views) {
        dlg.m_list->setViewMode(view.nMode);
        dlg.FillList(pDrive);
        Settle(dlg);
        Report(view.pszName, Seconds([&] {
                   dlg.FillList(pBig);
                   Settle(dlg);
               }),
               dBuild);
    }
    // Maximising lays the window out again and lists the selected folder anew.
    dlg.SelectTreeItem(pBig);
    Settle(dlg);
    Report("lay out again with that folder selected", Seconds([&] {
               const QSize client = dlg.centralWidget()->size();
               dlg.LayoutControls(client.width() + 200, client.height() + 100);
               Settle(dlg);
           }),
           dBuild);
    return 0;
}
