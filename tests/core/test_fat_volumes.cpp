// Scan and recovery on real FAT volumes made by mkfs.fat and mtools.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "fs/FAT.h"
#include "tests/core/FatFixtures.h"
#include "tests/core/TestSupport.h"

using namespace testsupport;
using namespace fatfix;

namespace {

class FatVolume : public ::testing::TestWithParam<CVolumeRecipe> {};

std::string RecipeName(const ::testing::TestParamInfo<CVolumeRecipe>& info) { return info.param.m_strName; }

}  // namespace

TEST_P(FatVolume, ListsEveryFileAtItsPathOnceWithItsState)
{
    const CVolumeRecipe& recipe = GetParam();
    std::string strImage = StandardImage(recipe);
    CScanned scanned = ScanImage(strImage, recipe.m_nFatBits == 32 ? "FAT32" : "FAT");
    ASSERT_TRUE(scanned.pEngine->m_bBootLoaded);
    std::map<std::string, int> seen;
    for (const auto& [strPath, pItem] : ListItems(scanned.pDrive)) ++seen[strPath];
    for (const auto& [strPath, nCount] : seen) EXPECT_EQ(nCount, 1) << "listed twice: " << strPath;

    CVolumeContent content = StandardContent(recipe);
    for (const CFixtureFile& f : content.m_files) {
        const CResultItem* pItem = FindItem(scanned.pDrive, f.m_strTreePath);
        ASSERT_NE(pItem, nullptr) << f.m_strTreePath;
        EXPECT_TRUE(pItem->IsFile()) << f.m_strTreePath;
        EXPECT_EQ(pItem->IsDeleted(), f.m_bDeleted) << f.m_strTreePath;
        EXPECT_EQ(pItem->GetItemData()->m_nSize, f.m_bytes.size()) << f.m_strTreePath;
    }
    for (const std::string& strFolder : content.m_deletedFolders) {
        const CResultItem* pItem = FindItem(scanned.pDrive, strFolder);
        ASSERT_NE(pItem, nullptr) << strFolder;
        EXPECT_TRUE(pItem->IsFolder() && pItem->IsDeleted()) << strFolder;
    }
    const CResultItem* pDocs = FindItem(scanned.pDrive, "Docs");
    ASSERT_NE(pDocs, nullptr);
    EXPECT_TRUE(pDocs->IsFolder() && !pDocs->IsDeleted());
    // The temporary files were deleted and their entries reused or kept; none is live.
    for (const char* pszGone : {"B.BIN", "D.BIN"}) {
        const CResultItem* pItem = FindItem(scanned.pDrive, pszGone);
        EXPECT_TRUE(pItem == nullptr || pItem->IsDeleted()) << pszGone;
    }
}

TEST_P(FatVolume, RecoversLiveAndDeletedFilesByteForByte)
{
    const CVolumeRecipe& recipe = GetParam();
    std::string strFs = recipe.m_nFatBits == 32 ? "FAT32" : "FAT";
    CScanned scanned = ScanImage(StandardImage(recipe), strFs);
    CTempDir out("fat-recover");
    int n = 0;
    for (const CFixtureFile& f : StandardContent(recipe).m_files) {
        const CResultItem* pItem = FindItem(scanned.pDrive, f.m_strTreePath);
        ASSERT_NE(pItem, nullptr) << f.m_strTreePath;
        std::string strOut = out / ("f" + std::to_string(n++));
        CRecoverResult result = RecoverToFile(*scanned.pEngine, strFs, *pItem, strOut);
        EXPECT_TRUE(result.IsComplete()) << f.m_strTreePath << ": " << result.m_strError;
        EXPECT_EQ(result.m_nBytesWritten, f.m_bytes.size()) << f.m_strTreePath;
        EXPECT_TRUE(ReadFileBytes(strOut) == f.m_bytes) << f.m_strTreePath;
    }
}

INSTANTIATE_TEST_SUITE_P(Real, FatVolume, ::testing::ValuesIn(StandardRecipes()), RecipeName);

TEST(FatVolumeFormatted, FoldersComeBackByContentUnderLostEntryGroups)
{
    CVolumeRecipe recipe = StandardRecipes()[1];
    CScanned before = ScanImage(StandardImage(recipe), "FAT");
    const CResultItem* pDocs = FindItem(before.pDrive, "Docs");
    ASSERT_NE(pDocs, nullptr);
    uint64_t nDocsCluster = pDocs->GetItemData()->m_nStartRef;

    std::string strImage = ReformattedImage(recipe);
    CScanned plain = ScanImage(strImage, "FAT");
    EXPECT_EQ(plain.pDrive->GetChildCount(), 0u);

    CScanned formatted = ScanImage(strImage, "FAT", true);
    char szGroup[16];
    std::snprintf(szGroup, sizeof szGroup, "%08llX", static_cast<unsigned long long>(nDocsCluster));
    CTempDir out("fat-formatted");
    CVolumeContent content = StandardContent(recipe);
    // The format freed the folder's chain: only the entries of its first
    // cluster (four slots per document after the two dot entries) can be found.
    size_t nInFirstCluster = (content.m_nClusterBytes / 32 - 2) / 4;
    size_t nDocs = 0;
    for (const CFixtureFile& f : content.m_files) {
        if (f.m_strWritten.rfind("Docs/Document", 0) != 0 || nDocs++ >= nInFirstCluster) continue;
        std::string strPath = std::string(szGroup) + "/" + f.m_strTreePath.substr(5);
        const CResultItem* pItem = FindItem(formatted.pDrive, strPath);
        ASSERT_NE(pItem, nullptr) << strPath;
        EXPECT_EQ(pItem->IsDeleted(), f.m_bDeleted) << strPath;
        CRecoverResult result = RecoverToFile(*formatted.pEngine, "FAT", *pItem, out / "x");
        EXPECT_TRUE(ReadFileBytes(out / "x") == f.m_bytes) << strPath << " " << result.m_strError;
        std::filesystem::remove(out / "x");
    }
    EXPECT_EQ(nDocs, content.m_files.size() > 0 ? 40u : 0u);
    // Sub's entry lies in that first cluster, so its own content comes back below it.
    const CResultItem* pBig = FindItem(formatted.pDrive, std::string(szGroup) + "/Sub/Big.bin");
    ASSERT_NE(pBig, nullptr);
    EXPECT_TRUE(pBig->IsDeleted());
    // Gone's entry was in the old root: its files form a group of their own.
    bool bGoneFound = false;
    for (const auto& [strPath, pItem] : ListItems(formatted.pDrive))
        bGoneFound |= strPath.size() > 9 && strPath.substr(8) == "/Gone2.bin" && pItem->IsDeleted();
    EXPECT_TRUE(bGoneFound);
}
