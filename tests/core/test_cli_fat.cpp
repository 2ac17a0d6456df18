// The `varnel` command on real FAT volumes under the editions that scan FAT,
// and the refusal of FAT under the NTFS edition.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "model/ScanCheck.h"
#include "recover/OutputNames.h"
#include "tests/core/FatFixtures.h"
#include "tests/core/TestSupport.h"

using namespace testsupport;
using namespace fatfix;

namespace {

std::map<std::string, nlohmann::json> JsonByPath(const std::string& strOut)
{
    std::map<std::string, nlohmann::json> byPath;
    std::istringstream in(strOut);
    for (std::string strLine; std::getline(in, strLine);) {
        nlohmann::json j = nlohmann::json::parse(strLine);
        byPath[j["path"]] = j;
    }
    return byPath;
}

// The path the recovery writes a tree path to: every component sanitised.
std::string OutputPath(const std::string& strTreePath)
{
    std::string strOut, strPart;
    std::istringstream parts(strTreePath);
    while (std::getline(parts, strPart, '/')) strOut += (strOut.empty() ? "" : "/") + SanitizeName(strPart);
    return strOut;
}

}  // namespace

TEST(CliFat, TheNtfsEditionRefusesFatWithItsMessage)
{
    std::string strOut, strErr;
    EXPECT_EQ(RunProgram(VARNEL_CLI_PATH, "list " + Quote(StandardImage(StandardRecipes()[1])), &strOut, &strErr), 2);
    EXPECT_NE(strErr.find(UnsupportedFileSystemText("FAT")), std::string::npos) << strErr;
    EXPECT_TRUE(strOut.empty());
}

TEST(CliFat, DeletedFilesAreListedAndComeBackByteForByteOnEachFatType)
{
    for (const CVolumeRecipe& recipe : StandardRecipes()) {
        const std::string strImage = StandardImage(recipe);
        std::string strOut;
        ASSERT_EQ(RunProgram(VARNEL_CLI_FAT_PATH, "list --deleted --json " + Quote(strImage), &strOut), 0) << recipe.m_strName;
        auto byPath = JsonByPath(strOut);
        CTempDir out("cli-fat-" + recipe.m_strName);
        ASSERT_EQ(RunProgram(VARNEL_CLI_FAT_PATH, "recover --deleted " + Quote(strImage) + " --to " + Quote(out / "to"), &strOut),
                  0)
            << recipe.m_strName;
        int nDeleted = 0;
        for (const CFixtureFile& f : StandardContent(recipe).m_files) {
            ASSERT_EQ(byPath.count(f.m_strTreePath), f.m_bDeleted ? 1u : 0u) << recipe.m_strName << " " << f.m_strTreePath;
            if (!f.m_bDeleted) {
                continue;
            }
            ++nDeleted;
            EXPECT_EQ(byPath[f.m_strTreePath]["size"], f.m_bytes.size()) << f.m_strTreePath;
            EXPECT_TRUE(ReadFileBytes(out / ("to/" + OutputPath(f.m_strTreePath))) == f.m_bytes)
                << recipe.m_strName << " " << f.m_strTreePath;
        }
        EXPECT_GT(nDeleted, 0) << recipe.m_strName;
    }
}

TEST(CliFat, OnlyTheFormattedEditionFindsTheFoldersOfAQuickFormattedCard)
{
    const std::string strImage = ReformattedImage(StandardRecipes()[1]);
    std::string strOut, strErr;
    EXPECT_EQ(RunProgram(VARNEL_CLI_FAT_PATH, "list --json " + Quote(strImage), &strOut, &strErr), 0);
    EXPECT_TRUE(strOut.empty()) << strOut;
    EXPECT_NE(strErr.find("No Data found!"), std::string::npos) << strErr;

    ASSERT_EQ(RunProgram(VARNEL_CLI_FORMATTED_FAT_PATH, "list --json " + Quote(strImage), &strOut), 0);
    std::set<std::string> groups;
    for (const auto& [strPath, j] : JsonByPath(strOut)) {
        if (strPath.find('/') == std::string::npos) {
            EXPECT_EQ(strPath.size(), 8u) << strPath;
            EXPECT_EQ(j["type"], "folder") << strPath;
            groups.insert(strPath);
        }
    }
    EXPECT_GE(groups.size(), 2u);
}
