// The `varnel` command on the bundled demo volume, against checked-in
// expectations: the whole listing line for line, and the deleted files' bytes
// against the checksums of what the ntfs-3g driver was given when the demo
// volume was made (tools/make-demo-image.sh).

#include <algorithm>
#include <cctype>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/core/TestSupport.h"

using namespace testsupport;

namespace {

std::string SourceFile(const std::string& strRelative) { return std::string(VARNEL_SOURCE_DIR) + "/" + strRelative; }

std::string ReadText(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Lower(std::string str)
{
    std::transform(str.begin(), str.end(), str.begin(), [](unsigned char c) { return std::tolower(c); });
    return str;
}

// "sha256  path" lines as path -> digest; paths lower-cased as the tree shows
// the names the driver wrote.
std::map<std::string, std::string> Checksums(const std::string& strText)
{
    std::map<std::string, std::string> sums;
    std::istringstream in(strText);
    for (std::string strLine; std::getline(in, strLine);) {
        if (strLine.size() > 66) sums[Lower(strLine.substr(66))] = strLine.substr(0, 64);
    }
    return sums;
}

class DemoImage : public testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveTool("zstd")) GTEST_SKIP() << "zstd is not installed";
        m_strImage = m_dir / "demo-ntfs.img";
        MustRun("zstd -q -d -f " + Quote(SourceFile("res/demo/demo-ntfs.img.zst")) + " -o " + Quote(m_strImage));
    }
    CTempDir m_dir{"golden"};
    std::string m_strImage;
};

TEST_F(DemoImage, ListingMatchesTheCheckedInOne)
{
    std::string strOut;
    ASSERT_EQ(testsupport::Run(Quote(VARNEL_CLI_PATH) + " list --json " + Quote(m_strImage), &strOut), 0);
    EXPECT_EQ(strOut, ReadText(SourceFile("tests/golden/demo-list.jsonl")));
}

TEST_F(DemoImage, DeletedFilesComeBackAsTheyWereWrittenIntoAFolderItMakes)
{
    const std::string strTo = m_dir / "not/yet/there";
    ASSERT_EQ(testsupport::Run(Quote(VARNEL_CLI_PATH) + " recover --deleted " + Quote(m_strImage) + " --to " +
                               Quote(strTo) + " 2>/dev/null"),
              0);
    std::string strSums;
    ASSERT_EQ(testsupport::Run("cd " + Quote(strTo) + " && find . -type f -printf '%P\\0' | sort -z | "
                               "xargs -0 sha256sum",
                               &strSums),
              0);
    std::map<std::string, std::string> expected = Checksums(ReadText(SourceFile("tests/golden/demo-deleted.sha256")));
    ASSERT_EQ(expected.size(), 6u);
    EXPECT_EQ(Checksums(strSums), expected);
}

TEST_F(DemoImage, AsABlockDeviceItIsADriveThatListsTheSameByItsLetter)
{
    std::string strLoop;
    if (testsupport::Run("losetup -r -f --show " + Quote(m_strImage), &strLoop) != 0) {
        GTEST_SKIP() << "no loop device here: " << strLoop;
    }
    strLoop.erase(strLoop.find_last_not_of('\n') + 1);
    std::string strDrives, strLetter;
    EXPECT_EQ(testsupport::Run(Quote(VARNEL_CLI_PATH) + " drives --json", &strDrives), 0);
    std::istringstream lines(strDrives);
    for (std::string strLine; std::getline(lines, strLine);) {
        nlohmann::json j = nlohmann::json::parse(strLine, nullptr, false);
        if (j.is_object() && j["source"] == strLoop) {
            EXPECT_EQ(j["filesystem"], "NTFS");
            EXPECT_EQ(j["label"], "DEMO");
            strLetter = j["letter"];
        }
    }
    std::string strOut;
    if (!strLetter.empty()) {
        EXPECT_EQ(RunProgram(VARNEL_CLI_PATH, "list --json " + strLetter, &strOut), 0);
    }
    testsupport::Run("losetup -d " + Quote(strLoop));
    ASSERT_FALSE(strLetter.empty()) << strLoop << " is not among the drives:\n" << strDrives;
    EXPECT_EQ(strOut, ReadText(SourceFile("tests/golden/demo-list.jsonl")));
}

}  // namespace
