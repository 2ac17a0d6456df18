// `varnel`: the engines, tree building and recovery walk of the desktop
// program, from the command line.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/CliPlatform.h"
#include "cli/CliProgress.h"
#include "cli/CliSource.h"
#include "fs/FileTime.h"
#include "model/EditionProfile.h"
#include "model/ItemPath.h"
#include "model/ScanCheck.h"
#include "model/TreeBuilder.h"
#include "model/TreeFilter.h"
#include "platform/DriveEnumerator.h"
#include "recover/RecoveryWalk.h"

namespace {

enum : int { EXIT_ALL_WRITTEN = 0, EXIT_PARTIAL = 1, EXIT_BAD_INPUT = 2 };


void PrintError(const std::string& strText) { std::fprintf(stderr, "varnel: %s\n", strText.c_str()); }

const char* DriveTypeName(EDriveType nType)
{
    switch (nType) {
    case EDriveType::Removable: return "removable";
    case EDriveType::Fixed: return "fixed";
    case EDriveType::CdRom: return "cdrom";
    default: return "other";
    }
}

int CmdDrives(bool bJson)
{
    CSystemDriveEnumerator enumerator;
    RegisterEnumeratedDrives(enumerator);
    int nListed = 0;
    for (int i = 0; i < DRIVE_COUNT; ++i) {
        auto info = CVolumeTable::Instance().Get(i);
        if (!info || !DriveQualifies(info->m_nType, info->m_strFileSystem)) continue;
        ++nListed;
        if (bJson) {
            nlohmann::ordered_json j;
            j["letter"] = DriveLetter(i);
            j["type"] = DriveTypeName(info->m_nType);
            j["filesystem"] = info->m_strFileSystem;
            j["label"] = info->m_strVolumeLabel;
            j["serial"] = info->m_strSerial;
            j["source"] = info->m_strSourcePath;
            j["description"] = info->m_strDescription;
            std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
        } else {
            std::printf("%s:  %-6s %-9s %-12s %-9s %s\n", DriveLetter(i).c_str(), info->m_strFileSystem.c_str(),
                        DriveTypeName(info->m_nType), info->m_strVolumeLabel.c_str(), info->m_strSerial.c_str(),
                        info->m_strDescription.c_str());
        }
    }
    // An empty listing alone would leave the user guessing why.
    if (nListed == 0)
        PrintError("no drive with a file system this edition scans was found; an image file can be given "
                   "as SOURCE, and block devices need read permission (root, or the group owning them)");
    return EXIT_ALL_WRITTEN;
}

// Opens, checks and scans the source, and builds its tree under a drive item.
struct CScanOutcome {
    CCliSource source;
    CResultTree tree;
    CResultItem* pDrive = nullptr;
};

bool ScanSource(const std::string& strSource, const std::string& strType, CScanOutcome* pOut)
{
    std::string strError;
    if (!OpenCliSource(strSource, strType, &pOut->source, &strError)) {
        PrintError(strError);
        return false;
    }
    CCliSource& source = pOut->source;
    CScanRefusal refusal;
    if (CheckDriveBeforeScan(source.m_pEngine.get(), source.m_strFileSystem, &refusal) != EScanVerdict::Allowed) {
        std::string strWhy = source.m_pEngine ? source.m_pEngine->m_pReader->GetOpenError() : "";
        if (strWhy.empty() && source.m_pEngine) strWhy = source.m_pEngine->GetBootProblem();
        PrintError(refusal.m_strText + (strWhy.empty() ? "" : "\n(" + strWhy + ")"));
        return false;
    }
    CFileSystem& engine = *source.m_pEngine;
    {
        CCliScanProgress progress;
        engine.PrepareScan();
        engine.ScanDrive(source.m_nDrive, &progress);
    }
    for (const std::string& strDamage : engine.GetScanDamage()) PrintError("damaged volume: " + strDamage);
    pOut->pDrive = pOut->tree.AddDrive(DriveLetter(source.m_nDrive));
    std::unique_ptr<CFoundArray> pFound = engine.TakeFound();
    if (pFound) {
        CTreeBuilder builder;
        builder.Build(*pFound, engine.GetRootRef(), pOut->pDrive, g_bFormattedMode);
    }
    return true;
}

// An ISO 8601 time, or null when the volume does not tell it.
nlohmann::ordered_json TimeJson(uint64_t nTime)
{
    if (nTime == 0) return nullptr;
    return FileTimeToIso8601(nTime);
}

// Files have a state; folders, and files whose volume kept no allocation state, have none.
nlohmann::ordered_json StateJson(const CTreeItemData* pData)
{
    if (!pData || pData->m_nState == ERecoverState::Unknown) return nullptr;
    return RecoverStateText(pData->m_nState);
}

// A scan that met damage found what it could: the listing, and so what can
// be recovered from it, is partial.
bool ScanWasComplete(const CScanOutcome& scan) { return scan.source.m_pEngine->GetScanDamage().empty(); }

void PrintItem(const CResultItem& item, bool bJson)
{
    const CTreeItemData* pData = item.GetItemData();
    CTreeItemData none;
    const CTreeItemData& data = pData ? *pData : none;
    std::string strPath = ItemRelativePath(&item);
    if (bJson) {
        nlohmann::ordered_json j;
        j["path"] = strPath;
        j["type"] = item.IsFolder() ? "folder" : "file";
        j["deleted"] = item.IsDeleted();
        j["size"] = data.m_nSize;
        j["start"] = data.m_nStartRef;
        j["parent"] = data.m_nParentRef;
        j["created"] = TimeJson(data.m_nCreateTime);
        j["modified"] = TimeJson(data.m_nModifyTime);
        j["accessed"] = TimeJson(data.m_nAccessTime);
        j["state"] = StateJson(pData);
        std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else {
        // Whole seconds are enough to read; --json has the rest.
        std::string strModified = FileTimeToIso8601(data.m_nModifyTime - data.m_nModifyTime % FILETIME_TICKS_PER_SECOND);
        std::printf("%-6s %-7s %12llu  %-20s  %-18s  %s\n", item.IsFolder() ? "folder" : "file",
                    item.IsDeleted() ? "deleted" : "live", static_cast<unsigned long long>(data.m_nSize),
                    strModified.empty() ? "-" : strModified.c_str(),
                    data.m_nState == ERecoverState::Unknown ? "-" : RecoverStateText(data.m_nState), strPath.c_str());
    }
}

void PrintTree(const CResultItem& drive, bool bJson)
{
    // Depth first in tree order, without recursion.
    std::vector<const CResultItem*> pending;
    for (size_t i = drive.GetChildCount(); i-- > 0;) pending.push_back(drive.GetChild(i));
    while (!pending.empty()) {
        const CResultItem* p = pending.back();
        pending.pop_back();
        PrintItem(*p, bJson);
        for (size_t i = p->GetChildCount(); i-- > 0;) pending.push_back(p->GetChild(i));
    }
}

// Which items a command works on: all, or only deleted ones, or only those
// whose path matches a glob (case-insensitive, "*" also across "/").
struct CItemFilter {
    bool m_bDeletedOnly = false;
    std::string m_strMatch;

    bool IsActive() const { return m_bDeletedOnly || !m_strMatch.empty(); }
    bool Wants(const CResultItem& item) const
    {
        if (m_bDeletedOnly && !item.IsDeleted()) return false;
        return m_strMatch.empty() || MatchesPathGlob(m_strMatch, ItemRelativePath(&item));
    }
};

// The drive item the command works on: the whole tree, or its wanted branches.
const CResultItem* ViewOf(CScanOutcome& scan, const CItemFilter& filter, CResultTree* pFiltered)
{
    if (!filter.IsActive()) return scan.pDrive;
    CResultItem* pDrive = pFiltered->AddDrive(scan.pDrive->GetText());
    CopyWantedBranches(*scan.pDrive, pDrive, [&](const CResultItem& item) { return filter.Wants(item); });
    return pDrive;
}

int CmdList(const std::string& strSource, const std::string& strType, bool bJson, const CItemFilter& filter)
{
    CScanOutcome scan;
    if (!ScanSource(strSource, strType, &scan)) return EXIT_BAD_INPUT;
    CResultTree filtered;
    const CResultItem* pView = ViewOf(scan, filter, &filtered);
    PrintTree(*pView, bJson);
    if (!scan.pDrive->HasChildren()) std::fprintf(stderr, "%s\n", MSG_NO_DATA);
    return ScanWasComplete(scan) ? EXIT_ALL_WRITTEN : EXIT_PARTIAL;
}

bool CollectTargets(const CResultItem& view, const std::vector<std::string>& paths,
                    std::vector<const CResultItem*>* pTargets)
{
    if (paths.empty()) {
        for (size_t i = 0; i < view.GetChildCount(); ++i) pTargets->push_back(view.GetChild(i));
        return true;
    }
    for (const std::string& strPath : paths) {
        const CResultItem* pItem = FindItemByRelativePath(&view, strPath);
        if (!pItem || pItem == &view) {
            PrintError("no such item in the scan results: " + strPath);
            return false;
        }
        pTargets->push_back(pItem);
    }
    return true;
}

// Like cp and rsync, a destination that does not exist yet is made.
bool MakeDestination(const std::string& strTo, std::string* pError)
{
    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(strTo), ec);
    if (ec) *pError = strTo + ": " + ec.message();
    return !ec;
}

int CmdRecover(const std::string& strSource, const std::string& strType, const std::string& strTo,
               const CItemFilter& filter, const std::vector<std::string>& paths)
{
    CScanOutcome scan;
    if (!ScanSource(strSource, strType, &scan)) return EXIT_BAD_INPUT;
    if (IsOnScannedVolume(strTo, scan.source.m_strPath)) {
        PrintError(MSG_SAME_DRIVE);
        return EXIT_BAD_INPUT;
    }
    CResultTree filtered;
    const CResultItem* pView = ViewOf(scan, filter, &filtered);
    if (!filter.m_strMatch.empty() && !pView->HasChildren()) {
        PrintError("no item in the scan results matches " + filter.m_strMatch);
        return EXIT_BAD_INPUT;
    }
    std::vector<const CResultItem*> targets;
    if (!CollectTargets(*pView, paths, &targets)) return EXIT_BAD_INPUT;

    CCliRecoveryProgress progress;
    CRecoveryWalk walk(*scan.source.m_pEngine, scan.source.m_strFileSystem, &progress);
    std::string strError;
    if (!MakeDestination(strTo, &strError) || !walk.SetDestination(strTo, &strError)) {
        PrintError(strError);
        return EXIT_BAD_INPUT;
    }
    for (const CResultItem* pItem : targets) walk.RecoverItem(*pItem);
    progress.Finish();

    const CRecoveryReport& report = walk.GetReport();
    for (const CRecoveryFailure& failure : report.m_failures)
        std::fprintf(stderr, "%s: %s -> %s: %s\n", failure.m_bIncomplete ? "incomplete" : "failed",
                     failure.m_strSource.c_str(), failure.m_strDestination.c_str(), failure.m_strReason.c_str());
    std::fprintf(stderr, "%s\n", report.EndText().c_str());
    return report.AllWritten() && ScanWasComplete(scan) ? EXIT_ALL_WRITTEN : EXIT_PARTIAL;
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef VARNEL_CLI_EDITION
    g_strEdition = VARNEL_CLI_EDITION;
#endif
    PrepareConsole();
    ApplyEditionProfile();
    CLI::App app{"Varnel Data Recovery (" + ProductTitle() + "): finds deleted files on NTFS and FAT volumes and "
                 "writes them to another drive. The scanned volume is only read."};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string(VARNEL_VERSION) + " (edition " + g_strEdition + ")");

    bool bJson = false;
    CItemFilter filter;
    std::string strSource, strTo, strType;
    std::vector<std::string> paths;

    CLI::App* pDrives = app.add_subcommand("drives", "List the drives the program offers");
    pDrives->add_flag("--json", bJson, "One JSON object per line");

    auto AddSourceOptions = [&](CLI::App* pCmd) {
        pCmd->add_option("SOURCE", strSource, "Image file, block device, or drive letter from `varnel drives`")
            ->required();
        pCmd->add_flag("--deleted", filter.m_bDeletedOnly, "Only deleted items and the folders above them");
        pCmd->add_option("--match", filter.m_strMatch,
                         "Only items whose path matches GLOB (case-insensitive; * also matches /), "
                         "with the folders above them")
            ->type_name("GLOB");
        pCmd->add_option("--type", strType, "Take the volume as this file system instead of detecting it")
            ->check(CLI::IsMember({"NTFS", "FAT32", "FAT"}));
    };
    CLI::App* pList = app.add_subcommand("list", "Scan a volume and print what was found, one item per line");
    AddSourceOptions(pList);
    pList->add_flag("--json", bJson, "One JSON object per line");

    CLI::App* pRecover = app.add_subcommand("recover", "Scan a volume and write items into a folder");
    AddSourceOptions(pRecover);
    pRecover->add_option("--to", strTo, "Folder to write into (not on the scanned volume)")->required();
    pRecover->add_option("PATH", paths, "Items to write, as `varnel list` shows them (default: all)");

    try {
        std::vector<std::string> args = Utf8Arguments(argc, argv);
        std::vector<char*> argvUtf8;
        for (std::string& strArg : args) argvUtf8.push_back(strArg.data());
        app.parse(static_cast<int>(argvUtf8.size()), argvUtf8.data());
    } catch (const CLI::ParseError& e) {
        int nCode = app.exit(e);
        return nCode == 0 ? 0 : EXIT_BAD_INPUT;
    }
    if (pDrives->parsed()) return CmdDrives(bJson);
    if (pList->parsed()) return CmdList(strSource, strType, bJson, filter);
    return CmdRecover(strSource, strType, strTo, filter, paths);
}
