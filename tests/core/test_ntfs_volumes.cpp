// Volumes made by mkntfs and ntfs-3g: deleted files are listed at their path and
// recovered byte for byte, and the scan agrees with The Sleuth Kit.

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "fs/NTFS.h"
#include "fs/NtfsRecord.h"
#include "fs/TextCodec.h"
#include "tests/core/NtfsFixtures.h"
#include "tests/core/TestSupport.h"

using namespace testsupport;

namespace {

// Lower case as the engine applies it to names, for comparing paths letter case aside.
std::string Lower(const std::string& str)
{
    std::string out;
    for (size_t i = 0; i < str.size();) {
        auto c = static_cast<unsigned char>(str[i]);
        size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        uint32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (size_t k = 1; k < n && i + k < str.size(); ++k) cp = (cp << 6) | (str[i + k] & 0x3F);
        AppendUtf8(out, cp < 0x10000 ? LowerUtf16(static_cast<uint16_t>(cp)) : cp);
        i += n;
    }
    return out;
}

std::map<std::string, const CResultItem*> ItemsByLowerPath(const CResultItem* pDrive)
{
    std::map<std::string, const CResultItem*> items;
    for (const auto& [strPath, pItem] : ListItems(pDrive)) items.emplace(Lower(strPath), pItem);
    return items;
}

const ntfsfix::CVolume& NeedVolume(const std::string& strRecipe)
{
    EXPECT_TRUE(ntfsfix::CanMakeVolumes()) << "mkntfs, ntfs-3g and /dev/fuse are needed";
    return ntfsfix::Volume(strRecipe);
}

struct CFlsEntry {
    bool bFolder;
    std::string strInode;  // "66-128-2"
    std::string strPath;
};

// Deleted entries fls lists under a real folder path.
std::vector<CFlsEntry> FlsDeleted(const std::string& strImage)
{
    std::vector<CFlsEntry> entries;
    std::istringstream in(MustRun("fls -r -d -p " + Quote(strImage)));
    for (std::string strLine; std::getline(in, strLine);) {
        size_t nTab = strLine.find('\t');
        if (nTab == std::string::npos || strLine.find(" * ") == std::string::npos) continue;
        std::string strHead = strLine.substr(0, nTab), strPath = strLine.substr(nTab + 1);
        if (strPath.rfind("$OrphanFiles", 0) == 0 || strHead.find("realloc") != std::string::npos) continue;
        size_t nStar = strHead.find(" * ");
        std::string strInode = strHead.substr(nStar + 3);
        strInode = strInode.substr(0, strInode.find(':'));
        entries.push_back({strHead[0] == 'd' || strHead[2] == 'd', strInode, strPath});
    }
    return entries;
}

class NtfsVolumeTest : public ::testing::TestWithParam<std::string> {};

TEST_P(NtfsVolumeTest, DeletedFilesAreListedAtTheirPathAndRecoveredByteForByte)
{
    const auto& volume = NeedVolume(GetParam());
    ASSERT_TRUE(volume.m_bOk) << volume.m_strError;
    ASSERT_FALSE(volume.m_deleted.empty());
    CScanned scanned = ScanImage(volume.m_strImage, "NTFS");
    auto items = ItemsByLowerPath(scanned.pDrive);
    CTempDir out("ntfs-recover");
    int n = 0;
    for (const auto& [strPath, bytes] : volume.m_deleted) {
        auto it = items.find(Lower(strPath));
        ASSERT_NE(it, items.end()) << strPath << " not listed";
        const CResultItem& item = *it->second;
        EXPECT_TRUE(item.IsFile() && item.IsDeleted()) << strPath;
        EXPECT_EQ(item.GetItemData()->m_nSize, bytes.size()) << strPath;
        std::string strOut = out / ("f" + std::to_string(n++));
        CRecoverResult result = RecoverToFile(*scanned.pEngine, "NTFS", item, strOut);
        EXPECT_TRUE(result.IsComplete()) << strPath << ": " << result.m_strError;
        EXPECT_EQ(result.m_nBytesWritten, bytes.size()) << strPath;
        EXPECT_TRUE(ReadFileBytes(strOut) == bytes) << strPath << " differs from the bytes written";
    }
}

INSTANTIATE_TEST_SUITE_P(Ntfs, NtfsVolumeTest,
                         ::testing::Values("basic", "sector4k", "cluster512", "mftfrag", "quickformat", "compressed"));

class NtfsSleuthKitTest : public ::testing::TestWithParam<std::string> {};

TEST_P(NtfsSleuthKitTest, EveryDeletedEntryOfFlsIsListedAndRecoversAsIcatGives)
{
    const auto& volume = NeedVolume(GetParam());
    ASSERT_TRUE(volume.m_bOk) << volume.m_strError;
    std::vector<CFlsEntry> fls = FlsDeleted(volume.m_strImage);
    ASSERT_FALSE(fls.empty());
    CScanned scanned = ScanImage(volume.m_strImage, "NTFS");
    auto items = ItemsByLowerPath(scanned.pDrive);
    CTempDir out("ntfs-fls");
    int n = 0;
    for (const CFlsEntry& e : fls) {
        auto it = items.find(Lower(e.strPath));
        ASSERT_NE(it, items.end()) << e.strPath << " (" << e.strInode << ") not listed";
        const CResultItem& item = *it->second;
        EXPECT_TRUE(item.IsDeleted()) << e.strPath;
        EXPECT_EQ(item.IsFolder(), e.bFolder) << e.strPath;
        if (e.bFolder) continue;
        std::string strOut = out / ("f" + std::to_string(n++));
        CRecoverResult result = RecoverToFile(*scanned.pEngine, "NTFS", item, strOut);
        EXPECT_TRUE(result.IsComplete()) << e.strPath << ": " << result.m_strError;
        std::string strIcat = out / ("icat" + std::to_string(n));
        MustRun("icat " + Quote(volume.m_strImage) + " " + e.strInode + " > " + Quote(strIcat));
        EXPECT_TRUE(ReadFileBytes(strOut) == ReadFileBytes(strIcat)) << e.strPath << " differs from icat";
    }
}

// After a quick format fls sees only the new, empty MFT; the left-behind
// records are checked against the bytes written instead.
INSTANTIATE_TEST_SUITE_P(Ntfs, NtfsSleuthKitTest,
                         ::testing::Values("basic", "sector4k", "cluster512", "mftfrag", "compressed"));

TEST(NtfsVolumes, GeometryOfOtherSectorAndClusterSizesAndAFragmentedMft)
{
    struct {
        const char* pszRecipe;
        uint32_t nBytesPerSector;
        uint64_t nClusterSize;
        uint32_t nRecordSize;
        size_t nMinExtents;
    } cases[] = {
        {"sector4k", 4096, 4096, 4096, 1},
        {"cluster512", 512, 512, 1024, 1},
        {"mftfrag", 512, 4096, 1024, 2},
    };
    for (const auto& c : cases) {
        const auto& volume = NeedVolume(c.pszRecipe);
        ASSERT_TRUE(volume.m_bOk) << volume.m_strError;
        auto pEngine = OpenEngine(volume.m_strImage, "NTFS");
        auto* pNtfs = dynamic_cast<CNTFS*>(pEngine.get());
        ASSERT_NE(pNtfs, nullptr);
        ASSERT_TRUE(pNtfs->m_bBootLoaded) << c.pszRecipe;
        EXPECT_EQ(pNtfs->GetGeometry().m_nBytesPerSector, c.nBytesPerSector) << c.pszRecipe;
        EXPECT_EQ(pNtfs->GetGeometry().m_nClusterSize, c.nClusterSize) << c.pszRecipe;
        EXPECT_EQ(pNtfs->m_wRecordSize, c.nRecordSize) << c.pszRecipe;
        EXPECT_GE(pNtfs->GetMftExtentCount(), c.nMinExtents) << c.pszRecipe;
    }
}

TEST(NtfsVolumes, QuickFormatLeavesRecordsThatTheScanFindsPastTheNewMft)
{
    const auto& volume = NeedVolume("quickformat");
    ASSERT_TRUE(volume.m_bOk) << volume.m_strError;
    EXPECT_EQ(MustRun("fls -r -d -p " + Quote(volume.m_strImage)).find("o1.txt"), std::string::npos);
    CScanned scanned = ScanImage(volume.m_strImage, "NTFS");
    auto* pNtfs = dynamic_cast<CNTFS*>(scanned.pEngine.get());
    const CResultItem* pItem = FindItem(scanned.pDrive, "old/o4.txt");
    ASSERT_NE(pItem, nullptr);
    EXPECT_GE(pItem->GetItemData()->m_nStartRef * pNtfs->m_wRecordSize, pNtfs->GetMftBytes());
}

TEST(NtfsVolumes, CompressedFixtureIsCompressedOnDisk)
{
    const auto& volume = NeedVolume("compressed");
    ASSERT_TRUE(volume.m_bOk) << volume.m_strError;
    CScanned scanned = ScanImage(volume.m_strImage, "NTFS");
    const CResultItem* pItem = FindItem(scanned.pDrive, "packed/log.txt");
    ASSERT_NE(pItem, nullptr);
    std::string strIstat = MustRun("istat " + Quote(volume.m_strImage) + " " +
                                   std::to_string(pItem->GetItemData()->m_nStartRef));
    EXPECT_NE(strIstat.find("Compressed"), std::string::npos) << strIstat;
}

}  // namespace
