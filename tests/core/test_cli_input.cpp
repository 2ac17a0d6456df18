// The `varnel` command on bad input: a clear message and exit status 2, never a crash.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/core/TestSupport.h"

using namespace testsupport;

namespace {

int RunCli(const std::string& strArgs, std::string* pOutput)
{
    return Run(Quote(VARNEL_CLI_PATH) + " " + strArgs, pOutput);
}

}  // namespace

TEST(CliInput, BadSourcesAreRefusedWithAReason)
{
    CTempDir dir("cli-input");
    WriteFileBytes(dir / "empty.img", {});
    WriteFileBytes(dir / "short.img", std::vector<uint8_t>(100, 0xAA));
    WriteFileBytes(dir / "random.img", PatternBytes(1 << 20, 7));
    struct {
        std::string strArgs, strExpected;
    } cases[] = {
        {"list " + Quote(dir / "missing.img"), "No such file or directory"},
        {"list " + Quote(dir.Path().string()), "is a folder"},
        {"list " + Quote(dir / "empty.img"), "the image is empty"},
        {"list " + Quote(dir / "short.img"), "shorter than one sector"},
        {"list " + Quote(dir / "random.img"), "no NTFS or FAT file system"},
        {"list", "SOURCE is required"},
        {"recover " + Quote(dir / "random.img"), "--to is required"},
        {"frobnicate", "subcommand"},
        {"list --type EXT4 " + Quote(dir / "random.img"), "EXT4"},
    };
    for (const auto& c : cases) {
        std::string strOut;
        EXPECT_EQ(RunCli(c.strArgs, &strOut), 2) << c.strArgs << "\n" << strOut;
        EXPECT_NE(strOut.find(c.strExpected), std::string::npos) << c.strArgs << "\n" << strOut;
    }
}

TEST(CliInput, UnreadableSourceNamesThePermissionProblem)
{
    if (!HaveTool("setpriv")) GTEST_SKIP() << "setpriv (util-linux) is needed to drop root";
    CTempDir dir("cli-perm");
    ::chmod(dir.Path().c_str(), 0755);
    std::string strImage = dir / "private.img";
    WriteFileBytes(strImage, PatternBytes(4096, 1));
    ::chmod(strImage.c_str(), 0600);
    std::string strOut;
    int nStatus = testsupport::Run("setpriv --reuid=65534 --regid=65534 --clear-groups " + Quote(VARNEL_CLI_PATH) + " list " +
                          Quote(strImage),
                      &strOut);
    EXPECT_EQ(nStatus, 2) << strOut;
    EXPECT_NE(strOut.find("Permission denied"), std::string::npos) << strOut;
}
