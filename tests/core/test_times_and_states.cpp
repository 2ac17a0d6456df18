// Times, sizes and recoverability of found entries, and the times of the
// files recovered from them: on volumes made by ntfs-3g and mtools, with The
// Sleuth Kit's cluster lists and allocation as the reference.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <sys/stat.h>

#include "fs/ClusterBitmap.h"
#include "fs/FileTime.h"
#include "model/ItemPath.h"
#include "recover/RecoveryWalk.h"
#include "tests/core/FatFixtures.h"
#include "tests/core/NtfsFixtures.h"
#include "tests/core/TestSupport.h"

using namespace testsupport;
namespace fsys = std::filesystem;

namespace {

std::string Lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

const CResultItem* ItemNoCase(const CResultItem* pDrive, const std::string& strPath)
{
    for (const auto& [strItemPath, pItem] : ListItems(pDrive))
        if (Lower(strItemPath) == Lower(strPath)) return pItem;
    return nullptr;
}

// Days since 1601 and a time of day, as ticks.
uint64_t Ticks(int nYear, unsigned nMonth, unsigned nDay, unsigned h = 0, unsigned m = 0, unsigned s = 0,
               uint32_t nTicks = 0)
{
    CCivilTime c;
    c.m_nYear = nYear;
    c.m_nMonth = nMonth;
    c.m_nDay = nDay;
    c.m_nHour = h;
    c.m_nMinute = m;
    c.m_nSecond = s;
    c.m_nTicks = nTicks;
    return CivilToFileTime(c);
}

// "2021-05-06 07:08:08 (UTC)" or with a fraction, as istat prints times.
uint64_t ParseIstatTime(const std::string& strText)
{
    std::smatch m;
    static const std::regex re(R"((\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)(?:\.(\d+))?)");
    if (!std::regex_search(strText, m, re)) return 0;
    std::string strFraction = m[7].matched ? m[7].str() : "";
    strFraction = (strFraction + "0000000").substr(0, 7);
    return Ticks(std::stoi(m[1]), std::stoul(m[2]), std::stoul(m[3]), std::stoul(m[4]), std::stoul(m[5]),
                 std::stoul(m[6]), static_cast<uint32_t>(std::stoul(strFraction)));
}

// The value after "Label:" on the first istat line that starts with it.
std::string IstatField(const std::string& strIstat, const std::string& strLabel)
{
    std::istringstream in(strIstat);
    for (std::string strLine; std::getline(in, strLine);)
        if (strLine.rfind(strLabel, 0) == 0) return strLine.substr(strLabel.size());
    return {};
}

// The numbers istat lists for the file's data (clusters on NTFS, sectors on FAT).
std::vector<uint64_t> IstatUnits(const std::string& strIstat, bool bNtfs)
{
    std::vector<uint64_t> units;
    std::istringstream in(strIstat);
    bool bInData = !bNtfs;
    for (std::string strLine; std::getline(in, strLine);) {
        if (bNtfs && strLine.rfind("Type: ", 0) == 0) {
            bInData = strLine.find("$DATA") != std::string::npos && strLine.find("Non-Resident") != std::string::npos;
            continue;
        }
        if (!bNtfs && strLine.rfind("Sectors:", 0) == 0) continue;
        if (!bInData || strLine.empty() || !std::isdigit(static_cast<unsigned char>(strLine[0]))) continue;
        std::istringstream numbers(strLine);
        for (uint64_t n; numbers >> n;)
            if (n != 0) units.push_back(n);  // istat pads the last cluster's unused sectors with 0
    }
    return units;
}

// Units (clusters, or sectors on FAT) The Sleuth Kit finds allocated.
std::set<uint64_t> AllocatedUnits(const std::string& strImage)
{
    std::set<uint64_t> units;
    std::istringstream in(MustRun("blkls -l -a " + Quote(strImage)));
    for (std::string strLine; std::getline(in, strLine);) {
        size_t nBar = strLine.find('|');
        if (nBar != std::string::npos && std::isdigit(static_cast<unsigned char>(strLine[0])))
            units.insert(std::stoull(strLine.substr(0, nBar)));
    }
    return units;
}

uint64_t CountIn(const std::set<uint64_t>& set, const std::vector<uint64_t>& units)
{
    uint64_t n = 0;
    for (uint64_t u : units) n += set.count(u);
    return n;
}

std::string MtoolsImage(const CTempDir& dir, int nFatBits, uint64_t nKiB, int nSectorsPerCluster = 4)
{
    std::string strImage = dir / ("fat" + std::to_string(nFatBits) + ".img");
    MustRun("mkfs.fat -C -F " + std::to_string(nFatBits) + " -s " + std::to_string(nSectorsPerCluster) + " " +
            Quote(strImage) + " " + std::to_string(nKiB) + " >/dev/null");
    return strImage;
}

// Copies bytes onto the image with the given modification time, as mcopy -m keeps it.
void CopyDated(const std::string& strImage, const std::string& strPath, size_t nBytes, const std::string& strWhen)
{
    std::string strHost = strImage + ".in";
    WriteFileBytes(strHost, PatternBytes(nBytes, static_cast<uint32_t>(strPath.size() * 7 + nBytes)));
    MustRun("TZ=UTC touch -d " + Quote(strWhen) + " " + Quote(strHost));
    fatfix::Mtools("TZ=UTC mcopy -m -i " + Quote(strImage) + " " + Quote(strHost) + " " + Quote("::/" + strPath));
    fsys::remove(strHost);
}

bool HaveSleuthKit() { return HaveTool("istat") && HaveTool("blkls"); }

}  // namespace

TEST(FileTimes, CalendarConversionsAtTheirEdges)
{
    struct {
        const char* pszWhat;
        uint64_t nTime;
        uint64_t nExpected;
    } cases[] = {
        {"FAT's first day", FatTimeToFileTime(0x0021), Ticks(1980, 1, 1)},
        {"FAT's last second", FatTimeToFileTime(0xFF9F, 0xBF7D), Ticks(2107, 12, 31, 23, 59, 58)},
        {"creation 10-ms count", FatTimeToFileTime(0x52A6, 0x3904, 199), Ticks(2021, 5, 6, 7, 8, 9, 9900000)},
        {"29 February of a leap year", FatTimeToFileTime((44u << 9) | (2u << 5) | 29), Ticks(2024, 2, 29)},
        {"29 February otherwise", FatTimeToFileTime((43u << 9) | (2u << 5) | 29), 0},
        {"month 13", FatTimeToFileTime((40u << 9) | (13u << 5) | 1), 0},
        {"hour 24", FatTimeToFileTime(0x0021, 24u << 11), 0},
        {"empty stamp", FatTimeToFileTime(0, 0x1234), 0},
        {"the Unix epoch", Ticks(1970, 1, 1), FILETIME_UNIX_EPOCH},
    };
    for (const auto& c : cases) EXPECT_EQ(c.nTime, c.nExpected) << c.pszWhat;

    EXPECT_EQ(FileTimeToIso8601(Ticks(2019, 7, 4, 10, 20, 30, 1234567)), "2019-07-04T10:20:30.1234567Z");
    EXPECT_EQ(FileTimeToIso8601(Ticks(2000, 2, 29, 0, 0, 2, 5000000)), "2000-02-29T00:00:02.5Z");
    EXPECT_EQ(FileTimeToIso8601(Ticks(1601, 1, 1, 0, 0, 1)), "1601-01-01T00:00:01Z");
    EXPECT_EQ(FileTimeToIso8601(0), "");
    // Before 1970 the second is negative and the fraction still counts forward.
    struct timespec ts = FileTimeToTimespec(FILETIME_UNIX_EPOCH - 5);
    EXPECT_EQ(ts.tv_sec, -1);
    EXPECT_EQ(ts.tv_nsec, 999999500);
    EXPECT_EQ(FileTimeToTimespec(0).tv_nsec, UTIME_OMIT);
}

TEST(ClusterBitmap, CountsAgreeWithCountingOneByOne)
{
    std::mt19937 gen(7);
    for (uint64_t nClusters : {1u, 63u, 64u, 65u, 511u, 512u, 513u, 5000u}) {
        std::vector<uint8_t> bytes((nClusters + 7) / 8 + 3);
        for (auto& b : bytes) b = static_cast<uint8_t>(gen());
        CClusterBitmap bitmap;
        bitmap.AssignBytes(bytes.data(), bytes.size(), nClusters);
        bitmap.Finish();
        auto InUse = [&](uint64_t c) { return c >= nClusters || (bytes[c / 8] >> (c % 8) & 1); };
        for (int k = 0; k < 200; ++k) {
            uint64_t nFirst = gen() % (nClusters + 4), nCount = gen() % (nClusters + 4);
            uint64_t nInUse = 0, nFree = 0;
            for (uint64_t c = nFirst; c < nFirst + nCount; ++c) nInUse += InUse(c);
            for (uint64_t c = nFirst; c < nClusters; ++c) nFree += !InUse(c);
            ASSERT_EQ(bitmap.CountInUse(nFirst, nCount), nInUse) << nClusters << " " << nFirst << "+" << nCount;
            ASSERT_EQ(bitmap.CountFreeFrom(nFirst), nFree) << nClusters << " " << nFirst;
        }
    }
}

TEST(NtfsTimes, TimesAndSizesSetThroughTheDriverReadBackToTheTick)
{
    const ntfsfix::CVolume& volume = ntfsfix::Volume("times");
    ASSERT_TRUE(volume.m_bOk) << volume.m_strError;
    CScanned scanned = ScanImage(volume.m_strImage, "NTFS");
    for (const ntfsfix::CTimedFile& f : ntfsfix::TimedFiles()) {
        const CResultItem* pItem = ItemNoCase(scanned.pDrive, f.m_strPath);
        ASSERT_TRUE(pItem) << f.m_strPath;
        const CTreeItemData& data = *pItem->GetItemData();
        EXPECT_EQ(pItem->IsDeleted(), f.m_bDeleted) << f.m_strPath;
        EXPECT_EQ(data.m_nSize, f.m_nSize) << f.m_strPath;
        EXPECT_EQ(FileTimeToIso8601(data.m_nCreateTime), FileTimeToIso8601(f.m_nCreateTime)) << f.m_strPath;
        EXPECT_EQ(FileTimeToIso8601(data.m_nModifyTime), FileTimeToIso8601(f.m_nModifyTime)) << f.m_strPath;
        EXPECT_EQ(FileTimeToIso8601(data.m_nAccessTime), FileTimeToIso8601(f.m_nAccessTime)) << f.m_strPath;
    }
}

TEST(FatTimes, StampsWrittenByMtoolsReadBackAsTheSleuthKitShowsThem)
{
    if (!HaveSleuthKit()) GTEST_SKIP() << "The Sleuth Kit is not installed";
    CTempDir dir("fat-times");
    struct {
        int nBits;
        uint64_t nKiB;
        int nSectorsPerCluster;
    } formats[] = {{12, 1440, 4}, {16, 12288, 4}, {32, 40960, 1}};
    for (auto [nBits, nKiB, nSectorsPerCluster] : formats) {
        std::string strImage = MtoolsImage(dir, nBits, nKiB, nSectorsPerCluster);
        fatfix::Mtools("mmd -i " + Quote(strImage) + " ::/SUB");
        // Even seconds: the write time counts in two-second steps.
        CopyDated(strImage, "OLD.TXT", 3000, "1999-12-31 23:59:58");
        CopyDated(strImage, "SUB/Long name of a file.bin", 9000, "2021-05-06 07:08:10");
        CopyDated(strImage, "SUB/GONE.BIN", 5000, "2037-12-31 23:59:58");
        fatfix::Mtools("mdel -i " + Quote(strImage) + " ::/SUB/GONE.BIN");
        const std::map<std::string, uint64_t> modified = {{"OLD.TXT", Ticks(1999, 12, 31, 23, 59, 58)},
                                                          {"SUB/Long name of a file.bin", Ticks(2021, 5, 6, 7, 8, 10)},
                                                          {"SUB/ONE.BIN", Ticks(2037, 12, 31, 23, 59, 58)}};
        CScanned scanned = ScanImage(strImage, nBits == 32 ? "FAT32" : "FAT");
        std::map<std::string, std::string> fls;  // path -> inode
        std::istringstream in(MustRun("fls -r -p " + Quote(strImage)));
        for (std::string strLine; std::getline(in, strLine);) {
            std::smatch m;
            if (std::regex_search(strLine, m, std::regex(R"(([0-9]+):\t(.*)$)"))) fls[m[2]] = m[1];
        }
        for (const auto& [strPath, nModified] : modified) {
            const CResultItem* pItem = FindItem(scanned.pDrive, strPath);
            ASSERT_TRUE(pItem) << nBits << " " << strPath;
            const CTreeItemData& data = *pItem->GetItemData();
            EXPECT_EQ(data.m_nModifyTime, nModified) << nBits << " " << strPath;
            std::string strFlsPath = strPath == "SUB/ONE.BIN" ? "SUB/_ONE.BIN" : strPath;
            ASSERT_TRUE(fls.count(strFlsPath)) << strFlsPath;
            std::string strIstat = MustRun("TZ=UTC istat " + Quote(strImage) + " " + fls[strFlsPath]);
            EXPECT_EQ(data.m_nModifyTime, ParseIstatTime(IstatField(strIstat, "Written:"))) << strPath;
            EXPECT_EQ(data.m_nAccessTime, ParseIstatTime(IstatField(strIstat, "Accessed:"))) << strPath;
            // istat leaves out the creation time's 10-ms count.
            EXPECT_EQ(data.m_nCreateTime / FILETIME_TICKS_PER_SECOND,
                      ParseIstatTime(IstatField(strIstat, "Created:")) / FILETIME_TICKS_PER_SECOND)
                << strPath;
            EXPECT_EQ(data.m_nSize, std::stoull(IstatField(strIstat, "Size: "))) << strPath;
        }
    }
}

TEST(RecoverStates, NtfsStatesAgreeWithTheSleuthKitsClusterLists)
{
    if (!HaveSleuthKit()) GTEST_SKIP() << "The Sleuth Kit is not installed";
    const ntfsfix::CVolume& volume = ntfsfix::Volume("reuse");
    ASSERT_TRUE(volume.m_bOk) << volume.m_strError;
    CScanned scanned = ScanImage(volume.m_strImage, "NTFS");
    std::set<uint64_t> allocated = AllocatedUnits(volume.m_strImage);
    std::map<std::string, ERecoverState> states;
    for (const auto& [strPath, pItem] : ListItems(scanned.pDrive)) {
        if (!pItem->IsFile()) continue;
        const CTreeItemData& data = *pItem->GetItemData();
        std::vector<uint64_t> clusters =
            IstatUnits(MustRun("istat " + Quote(volume.m_strImage) + " " + std::to_string(data.m_nStartRef)), true);
        ERecoverState eExpected = pItem->IsDeleted() ? StateOfClusters(clusters.size(), CountIn(allocated, clusters))
                                                     : ERecoverState::Good;
        EXPECT_EQ(RecoverStateText(data.m_nState), std::string(RecoverStateText(eExpected))) << strPath;
        states[strPath] = data.m_nState;
    }
    // The recipe's intent, so that every state is shown at least once.
    EXPECT_EQ(states["head.bin"], ERecoverState::Overwritten);
    EXPECT_EQ(states["middle.bin"], ERecoverState::PartlyOverwritten);
    EXPECT_EQ(states["kept.bin"], ERecoverState::Good);
    EXPECT_EQ(states["tiny.txt"], ERecoverState::Good);  // resident
}

TEST(RecoverStates, FatStatesAgreeWithTheSleuthKitsClusterLists)
{
    if (!HaveSleuthKit()) GTEST_SKIP() << "The Sleuth Kit is not installed";
    CTempDir dir("fat-states");
    std::string strImage = MtoolsImage(dir, 16, 12288);
    const uint64_t nSectorsPerCluster = 4, nCluster = 2048;
    std::string strI = "-i " + Quote(strImage) + " ";
    fatfix::Mtools("mmd " + strI + "::/OLD");
    fatfix::CopyIn(strImage, "OLD/HEAD.BIN", PatternBytes(2 * nCluster, 1));
    fatfix::CopyIn(strImage, "OLD/MIDDLE.BIN", PatternBytes(5 * nCluster - 10, 2));
    fatfix::CopyIn(strImage, "OLD/KEPT.BIN", PatternBytes(3 * nCluster, 3));
    fatfix::CopyIn(strImage, "OLD/LIVE.BIN", PatternBytes(nCluster, 4));
    fatfix::Mtools("mdel " + strI + "::/OLD/HEAD.BIN ::/OLD/MIDDLE.BIN ::/OLD/KEPT.BIN");
    // Written from the first free cluster on: all of HEAD.BIN's, the start of MIDDLE.BIN's.
    fatfix::CopyIn(strImage, "LATER.BIN", PatternBytes(4 * nCluster, 5));

    CScanned scanned = ScanImage(strImage, "FAT");
    std::set<uint64_t> allocated = AllocatedUnits(strImage);
    std::map<std::string, std::string> inodes;
    std::istringstream in(MustRun("fls -r -p " + Quote(strImage)));
    for (std::string strLine; std::getline(in, strLine);) {
        std::smatch m;
        if (std::regex_search(strLine, m, std::regex(R"(([0-9]+):\t(.*)$)"))) inodes[m[2]] = m[1];
    }
    std::map<std::string, ERecoverState> states;
    for (const auto& [strPath, pItem] : ListItems(scanned.pDrive)) {
        if (!pItem->IsFile()) continue;
        const CTreeItemData& data = *pItem->GetItemData();
        std::string strTsk = pItem->IsDeleted() ? strPath.substr(0, 4) + "_" + strPath.substr(4) : strPath;
        ASSERT_TRUE(inodes.count(strTsk)) << strTsk;
        std::vector<uint64_t> sectors = IstatUnits(MustRun("istat " + Quote(strImage) + " " + inodes[strTsk]), false);
        ASSERT_FALSE(sectors.empty()) << strPath;
        // The Sleuth Kit lists the free run it would recover, or, when another
        // file holds the first cluster, that cluster alone; then the file's
        // clusters are taken as the run from it.
        ERecoverState eExpected = ERecoverState::Good;
        if (pItem->IsDeleted() && allocated.count(sectors[0])) {
            uint64_t nClusters = (data.m_nSize + nCluster - 1) / nCluster;
            std::vector<uint64_t> run;
            for (uint64_t i = 0; i < nClusters; ++i) run.push_back(sectors[0] + i * nSectorsPerCluster);
            eExpected = StateOfClusters(nClusters, CountIn(allocated, run));
        } else if (pItem->IsDeleted()) {
            EXPECT_EQ(CountIn(allocated, sectors), 0u) << strPath;
        }
        EXPECT_EQ(RecoverStateText(data.m_nState), std::string(RecoverStateText(eExpected))) << strPath;
        states[strPath] = data.m_nState;
    }
    EXPECT_EQ(states["OLD/EAD.BIN"], ERecoverState::Overwritten);
    EXPECT_EQ(states["OLD/IDDLE.BIN"], ERecoverState::PartlyOverwritten);
    EXPECT_EQ(states["OLD/EPT.BIN"], ERecoverState::Good);
    EXPECT_EQ(states["OLD/LIVE.BIN"], ERecoverState::Good);
}

TEST(RecoveredTimes, FilesAndFoldersGetTheTimesTheVolumeKept)
{
    const ntfsfix::CVolume& volume = ntfsfix::Volume("times");
    ASSERT_TRUE(volume.m_bOk) << volume.m_strError;
    CScanned scanned = ScanImage(volume.m_strImage, "NTFS");
    const CResultItem* pFolder = ItemNoCase(scanned.pDrive, "Dated");
    ASSERT_TRUE(pFolder);
    CTempDir out("recovered-times");
    CRecoveryWalk walk(*scanned.pEngine, "NTFS", nullptr);
    std::string strError;
    ASSERT_TRUE(walk.SetDestination(out.Path().string(), &strError)) << strError;
    walk.RecoverItem(*pFolder);
    EXPECT_TRUE(walk.GetReport().AllWritten()) << walk.GetReport().EndText();

    auto Expect = [](const std::string& strPath, uint64_t nModify, uint64_t nAccess) {
        struct stat st {};
        ASSERT_EQ(::stat(strPath.c_str(), &st), 0) << strPath;
        struct timespec modify = FileTimeToTimespec(nModify), access = FileTimeToTimespec(nAccess);
        EXPECT_EQ(st.st_mtim.tv_sec, modify.tv_sec) << strPath;
        EXPECT_EQ(st.st_mtim.tv_nsec, modify.tv_nsec) << strPath;
        EXPECT_EQ(st.st_atim.tv_sec, access.tv_sec) << strPath;
        EXPECT_EQ(st.st_atim.tv_nsec, access.tv_nsec) << strPath;
    };
    for (const ntfsfix::CTimedFile& f : ntfsfix::TimedFiles())
        Expect(out / Lower(f.m_strPath), f.m_nModifyTime, f.m_nAccessTime);
    const ntfsfix::CTimedFile& first = ntfsfix::TimedFiles()[0];
    Expect(out / "dated", first.m_nModifyTime, first.m_nAccessTime);
}
