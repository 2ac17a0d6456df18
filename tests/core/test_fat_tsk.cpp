// Differential checks against The Sleuth Kit: every deleted file fls lists
// under a real path is listed by us at the same path and recovered with the
// bytes icat -r gives.

#include <gtest/gtest.h>

#include <sstream>
#include <strings.h>

#include "tests/core/FatFixtures.h"
#include "tests/core/TestSupport.h"

using namespace testsupport;
using namespace fatfix;

namespace {

struct CTskEntry {
    std::string m_strInode;
    std::string m_strPath;
    bool m_bFolder = false;
};

// Deleted entries from "fls -r -d -p", leaving out TSK's virtual files and orphans.
std::vector<CTskEntry> DeletedByTsk(const std::string& strImage)
{
    std::vector<CTskEntry> entries;
    std::istringstream in(MustRun("fls -r -d -p " + Quote(strImage)));
    std::string strLine;
    while (std::getline(in, strLine)) {
        size_t nStar = strLine.find(" * ");
        size_t nTab = strLine.find(":\t");
        if (nStar == std::string::npos || nTab == std::string::npos) continue;
        CTskEntry e;
        e.m_bFolder = strLine[0] == 'd';
        e.m_strInode = strLine.substr(nStar + 3, nTab - nStar - 3);
        e.m_strPath = strLine.substr(nTab + 2);
        if (e.m_strPath.rfind("$OrphanFiles", 0) == 0) continue;
        entries.push_back(e);
    }
    return entries;
}

// TSK shows a deleted short name with '_' for its first letter; our tree drops
// the deletion mark. Case may differ (TSK applies the lower-case flags).
bool SameName(const std::string& strTsk, const CResultItem& item)
{
    std::string strOurs = item.GetText();
    if (strOurs.size() > 1 && strOurs.back() == '.') strOurs.pop_back();
    if (strcasecmp(strTsk.c_str(), strOurs.c_str()) == 0) return true;
    return item.IsDeleted() && strTsk.size() > 1 && strTsk[0] == '_' &&
           strcasecmp(strTsk.c_str() + 1, strOurs.c_str()) == 0;
}

const CResultItem* FindTskPath(const CResultItem* pDrive, const std::string& strPath)
{
    const CResultItem* pItem = pDrive;
    std::istringstream in(strPath);
    std::string strPart;
    while (pItem && std::getline(in, strPart, '/')) {
        const CResultItem* pNext = nullptr;
        for (size_t i = 0; i < pItem->GetChildCount() && !pNext; ++i)
            if (SameName(strPart, *pItem->GetChild(i))) pNext = pItem->GetChild(i);
        pItem = pNext;
    }
    return pItem;
}

class FatAgainstTsk : public ::testing::TestWithParam<CVolumeRecipe> {};

}  // namespace

TEST_P(FatAgainstTsk, DeletedFilesListedAtTheSamePathWithTheSameBytes)
{
    ASSERT_TRUE(HaveTool("fls") && HaveTool("icat")) << "The Sleuth Kit (sleuthkit) is needed";
    const CVolumeRecipe& recipe = GetParam();
    std::string strImage = StandardImage(recipe);
    std::string strFs = recipe.m_nFatBits == 32 ? "FAT32" : "FAT";
    CScanned scanned = ScanImage(strImage, strFs);
    CTempDir out("fat-tsk");
    std::vector<CTskEntry> entries = DeletedByTsk(strImage);
    size_t nFiles = 0;
    for (const CTskEntry& e : entries) {
        const CResultItem* pItem = FindTskPath(scanned.pDrive, e.m_strPath);
        ASSERT_NE(pItem, nullptr) << "TSK lists " << e.m_strPath;
        EXPECT_TRUE(pItem->IsDeleted()) << e.m_strPath;
        EXPECT_EQ(pItem->IsFolder(), e.m_bFolder) << e.m_strPath;
        if (e.m_bFolder) continue;
        ++nFiles;
        std::string strTsk = out / ("tsk" + e.m_strInode), strOurs = out / ("ours" + e.m_strInode);
        MustRun("icat -r " + Quote(strImage) + " " + e.m_strInode + " > " + Quote(strTsk));
        RecoverToFile(*scanned.pEngine, strFs, *pItem, strOurs);
        EXPECT_TRUE(ReadFileBytes(strTsk) == ReadFileBytes(strOurs)) << e.m_strPath;
    }
    // The fixture deletes a fragmented file, files in a deleted folder, two
    // documents and more: TSK must have seen them too.
    EXPECT_GE(nFiles, 7u);
}

INSTANTIATE_TEST_SUITE_P(Real, FatAgainstTsk, ::testing::ValuesIn(StandardRecipes()),
                         [](const ::testing::TestParamInfo<CVolumeRecipe>& param) { return param.param.m_strName; });
