// FAT boot sector, geometry and the refusal of boot sectors that do not fit.

#include <gtest/gtest.h>

#include <filesystem>

#include "fs/FAT.h"
#include "tests/core/FatFixtures.h"
#include "tests/core/TestSupport.h"

using namespace testsupport;
using namespace fatfix;

namespace {

std::unique_ptr<CFAT> EngineFor(const CBootLayout& layout, uint64_t nSourceBytes)
{
    auto pSource = std::make_unique<CSparseSource>(MakeBootSector(layout), nSourceBytes);
    auto pEngine = CreateFileSystem(2, layout.m_bFat32 ? "FAT32" : "FAT",
                                    std::make_unique<CSectorReader>(2, std::move(pSource)));
    return std::unique_ptr<CFAT>(static_cast<CFAT*>(pEngine.release()));
}

struct CMapCase {
    const char* m_pszName;
    CBootLayout m_boot;
    uint32_t m_nCluster;
    uint64_t m_nSector;
};

}  // namespace

TEST(FatBoot, ClusterToSectorFollowsTheBootSector)
{
    CBootLayout fat16;  // 4 reserved, 2 FATs of 200, 8 per cluster, 512 root entries
    fat16.m_bySectorsPerCluster = 8;
    fat16.m_wTotal16 = 40000;
    CBootLayout fat32;
    fat32.m_bFat32 = true;
    fat32.m_wReserved = 32;
    fat32.m_dwSectorsPerFat = 1000;
    fat32.m_bySectorsPerCluster = 8;
    fat32.m_dwTotal32 = 1000000;
    CBootLayout floppy;  // 224 root entries: 14 sectors, not 32
    floppy.m_bySectorsPerCluster = 1;
    floppy.m_wReserved = 1;
    floppy.m_dwSectorsPerFat = 9;
    floppy.m_wRootEntries = 224;
    floppy.m_wTotal16 = 2880;
    CBootLayout big4k = fat32;  // 4096-byte sectors: eight reader sectors each
    big4k.m_wBytesPerSector = 4096;
    big4k.m_dwTotal32 = 0xFFFFFFF0;
    const CMapCase cases[] = {
        {"fat16 root region", fat16, 0, 404},
        {"fat16 cluster 2", fat16, 2, 436},
        {"fat16 cluster 10", fat16, 10, 500},
        {"fat16 cluster 1", fat16, 1, 428},
        {"fat32 cluster 2", fat32, 2, 2032},
        {"fat32 cluster 1026", fat32, 1026, 10224},
        {"floppy root", floppy, 0, 19},
        {"floppy cluster 2", floppy, 2, 33},
        {"4k sectors cluster 2", big4k, 2, 2032 * 8},
        {"4k sectors beyond 2 TiB", big4k, 100000000, (2032 + 99999998ull * 8) * 8},
    };
    for (const CMapCase& c : cases) {
        auto pEngine = EngineFor(c.m_boot, 0);
        ASSERT_TRUE(pEngine->m_bBootLoaded) << c.m_pszName;
        EXPECT_EQ(pEngine->ClusterToSector(c.m_nCluster), c.m_nSector) << c.m_pszName;
    }
}

TEST(FatBoot, TotalSectorsTakeTheSixteenBitFieldFirst)
{
    CBootLayout layout;
    layout.m_wTotal16 = 0;
    layout.m_dwTotal32 = 1000000;
    EXPECT_EQ(EngineFor(layout, 0)->GetBoot().m_dwTotalSectors32, 1000000u);
    layout.m_wTotal16 = 40000;
    layout.m_dwTotal32 = 123456789;
    auto pEngine = EngineFor(layout, 0);
    EXPECT_EQ(pEngine->GetBoot().m_dwTotalSectors32, 40000u);
    EXPECT_EQ(pEngine->GetGeometry().m_nTotalSectors, 40000u);
}

TEST(FatBoot, BootSectorsThatDoNotFitAreRefused)
{
    struct CCase {
        const char* m_pszName;
        CBootLayout m_boot;
        uint64_t m_nSourceBytes;
        bool m_bLoaded;
    };
    CBootLayout good;
    good.m_wTotal16 = 40000;
    CBootLayout zeroSector = good, zeroCluster = good, oddSector = good, tooBig = good, fat32Zero = good;
    zeroSector.m_wBytesPerSector = 0;
    zeroCluster.m_bySectorsPerCluster = 0;
    oddSector.m_wBytesPerSector = 500;
    tooBig.m_dwSectorsPerFat = 30000;  // FATs end beyond the volume
    fat32Zero.m_bFat32 = true;
    fat32Zero.m_dwTotal32 = 0;
    const CCase cases[] = {
        {"sound", good, 40000 * 512, true},
        {"size unknown", good, 0, true},
        {"bytes per sector 0", zeroSector, 40000 * 512, false},
        {"sectors per cluster 0", zeroCluster, 40000 * 512, false},
        {"bytes per sector 500", oddSector, 40000 * 512, false},
        {"FATs beyond the volume", tooBig, 40000 * 512, false},
        {"no sectors", fat32Zero, 40000 * 512, false},
        {"volume longer than its image", good, 20000 * 512, false},
        {"sector 0 unreadable", good, 100, false},
    };
    for (const CCase& c : cases) {
        auto pEngine = EngineFor(c.m_boot, c.m_nSourceBytes);
        EXPECT_EQ(pEngine->m_bBootLoaded, c.m_bLoaded) << c.m_pszName;
        CNullScanProgress progress;
        pEngine->ScanDrive(2, &progress);
        EXPECT_EQ(progress.m_strLastMessage, c.m_bLoaded ? "" : MSG_BOOT_NOT_LOADED) << c.m_pszName;
        COutputFile out;
        CRecoverResult result = pEngine->RecoverFromCluster("", out, 2, 5, 1000, true, nullptr);
        if (!c.m_bLoaded) {
            EXPECT_FALSE(result.m_bWritten) << c.m_pszName;
        }
    }
}

TEST(FatBoot, TruncatedImageIsRefusedWithoutReadingPastItsEnd)
{
    CTempDir dir("fat-truncated");
    std::string strImage = dir / "cut.img";
    std::filesystem::copy_file(StandardImage(StandardRecipes()[1]), strImage);
    std::filesystem::resize_file(strImage, std::filesystem::file_size(strImage) / 2);
    CScanned scanned = ScanImage(strImage, "FAT");
    EXPECT_FALSE(scanned.pEngine->m_bBootLoaded);
    EXPECT_EQ(scanned.pDrive->GetChildCount(), 0u);
    // Cut inside the boot sector itself.
    std::filesystem::resize_file(strImage, 300);
    EXPECT_FALSE(OpenEngine(strImage, "FAT")->m_bBootLoaded);
}

TEST(FatBoot, RealVolumesDecodeAsTheirMakerWroteThem)
{
    for (const CVolumeRecipe& recipe : StandardRecipes()) {
        auto pEngine = OpenEngine(StandardImage(recipe), recipe.m_nFatBits == 32 ? "FAT32" : "FAT");
        auto* pFat = static_cast<CFAT*>(pEngine.get());
        ASSERT_TRUE(pFat->m_bBootLoaded) << recipe.m_strName;
        EXPECT_EQ(pFat->GetGeometry().m_nFatBits, recipe.m_nFatBits) << recipe.m_strName;
        EXPECT_EQ(pFat->GetGeometry().m_nBytesPerCluster,
                  uint64_t(recipe.m_nSectorsPerCluster) * recipe.m_nBytesPerSector) << recipe.m_strName;
        EXPECT_EQ(pFat->GetGeometry().m_nTotalSectors * 512, recipe.m_nKiB * 1024) << recipe.m_strName;
    }
}
