// The `varnel` command on real NTFS volumes: listing, recovery, exit status
// and the refusal of a destination on the scanned volume.

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "tests/core/NtfsFixtures.h"
#include "tests/core/TestSupport.h"

using namespace testsupport;
namespace fsys = std::filesystem;

namespace {

int Cli(const std::string& strArgs, std::string* pOut, std::string* pErr = nullptr)
{
    return RunProgram(VARNEL_CLI_PATH, strArgs, pOut, pErr);
}

std::vector<nlohmann::json> JsonLines(const std::string& strOut)
{
    std::vector<nlohmann::json> lines;
    std::istringstream in(strOut);
    for (std::string strLine; std::getline(in, strLine);) lines.push_back(nlohmann::json::parse(strLine));
    return lines;
}

const std::string& BasicImage()
{
    const ntfsfix::CVolume& volume = ntfsfix::Volume("basic");
    EXPECT_TRUE(volume.m_bOk) << volume.m_strError;
    return volume.m_strImage;
}

}  // namespace

TEST(CliVolumes, DeletedListingKeepsDeletedItemsAndTheFoldersAboveThem)
{
    std::string strOut;
    ASSERT_EQ(Cli("list --deleted --json " + Quote(BasicImage()), &strOut), 0);
    auto lines = JsonLines(strOut);
    ASSERT_FALSE(lines.empty());
    std::map<std::string, nlohmann::json> byPath;
    for (const auto& j : lines) byPath[j["path"]] = j;
    for (const auto& j : lines) {
        std::string strPath = j["path"];
        if (j["type"] == "file") {
            EXPECT_TRUE(j["deleted"].get<bool>()) << strPath;
        }
        size_t nSlash = strPath.rfind('/');
        if (nSlash != std::string::npos) {
            EXPECT_TRUE(byPath.count(strPath.substr(0, nSlash))) << strPath;
        }
    }
    ASSERT_TRUE(byPath.count("docs/big.bin"));
    EXPECT_EQ(byPath["docs/big.bin"]["size"], 150000);
    EXPECT_EQ(byPath["docs"]["deleted"], false);  // a live folder above a deleted file
    EXPECT_FALSE(byPath.count("docs/report.bin"));  // live, so left out
}

TEST(CliVolumes, RecoversDeletedFilesByteForByteAndSinglePaths)
{
    const ntfsfix::CVolume& volume = ntfsfix::Volume("basic");
    ASSERT_TRUE(volume.m_bOk);
    CTempDir out("cli-recover");
    std::string strOut, strErr;
    ASSERT_EQ(Cli("recover --deleted " + Quote(volume.m_strImage) + " --to " + Quote(out.Path().string()), &strOut,
                  &strErr),
              0)
        << strErr;
    EXPECT_NE(strErr.find("Recovery Completed Successfully"), std::string::npos) << strErr;
    EXPECT_EQ(ReadFileBytes(out / "docs/big.bin"), volume.m_deleted.at("Docs/big.bin"));
    EXPECT_FALSE(fsys::exists(out.Path() / "docs" / "report.bin"));

    CTempDir one("cli-recover-one");
    ASSERT_EQ(Cli("recover " + Quote(volume.m_strImage) + " --to " + Quote(one.Path().string()) + " docs/big.bin",
                  &strOut),
              0);
    EXPECT_EQ(ReadFileBytes(one / "big.bin"), volume.m_deleted.at("Docs/big.bin"));
    EXPECT_EQ(Cli("recover " + Quote(volume.m_strImage) + " --to " + Quote(one.Path().string()) + " no/such", &strOut,
                  &strErr),
              2);
    EXPECT_NE(strErr.find("no such item"), std::string::npos) << strErr;
}

TEST(CliVolumes, UnreadableDataGivesExitOneAndNamesTheFile)
{
    // The image cut off inside the clusters of Docs/big.bin (clusters from
    // 2048 on in this volume): the MFT is whole, the file's tail is not.
    CTempDir dir("cli-truncated");
    std::string strImage = dir / "cut.img";
    MustRun("head -c " + std::to_string(2060 * 4096) + " " + Quote(BasicImage()) + " > " + Quote(strImage));
    std::string strOut, strErr;
    // The listing is whole but the volume is not: partial, and said so.
    ASSERT_EQ(Cli("list --json " + Quote(strImage), &strOut, &strErr), 1);
    EXPECT_NE(strOut.find("docs/big.bin"), std::string::npos);
    EXPECT_NE(strErr.find("damaged volume: the source ends after"), std::string::npos) << strErr;
    CTempDir out("cli-truncated-out");
    EXPECT_EQ(Cli("recover " + Quote(strImage) + " --to " + Quote(out.Path().string()) + " docs/big.bin", &strOut,
                  &strErr),
              1)
        << strErr;
    EXPECT_NE(strErr.find("incomplete"), std::string::npos) << strErr;
    EXPECT_NE(strErr.find("big.bin"), std::string::npos) << strErr;
    EXPECT_EQ(strErr.find("Recovery Completed Successfully"), std::string::npos) << strErr;
    // What was readable is there, the rest is zeros in place.
    auto bytes = ReadFileBytes(out / "big.bin");
    ASSERT_EQ(bytes.size(), 150000u);
    const auto& original = ntfsfix::Volume("basic").m_deleted.at("Docs/big.bin");
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 12 * 4096, original.begin()));
    EXPECT_TRUE(std::all_of(bytes.begin() + 12 * 4096, bytes.end(), [](uint8_t b) { return b == 0; }));
}

TEST(CliVolumes, DestinationOnTheScannedVolumeIsRefused)
{
    CTempDir dir("cli-samevol");
    std::string strImage = dir / "vol.img";
    fsys::copy_file(BasicImage(), strImage);
    fsys::create_directories(dir.Path() / "mnt");
    std::string strMount = dir / "mnt";
    // Mounted straight from the image file, and through a loop device.
    std::string strLoop;
    std::vector<std::string> mounts{"ntfs-3g -o ro " + Quote(strImage) + " " + Quote(strMount)};
    if (testsupport::Run("losetup -r -f --show " + Quote(strImage), &strLoop) == 0) {
        strLoop.erase(strLoop.find_last_not_of("\n") + 1);
        mounts.push_back("ntfs-3g -o ro " + strLoop + " " + Quote(strMount));
    }
    for (const std::string& strMountCommand : mounts) {
        MustRun(strMountCommand);
        std::string strOut, strErr;
        EXPECT_EQ(Cli("recover --deleted " + Quote(strImage) + " --to " + Quote(strMount), &strOut, &strErr), 2)
            << strMountCommand;
        EXPECT_NE(strErr.find("It's not recommended to save the files and folders on infected drives, select some "
                              "other drive"),
                  std::string::npos)
            << strErr;
        MustRun("umount " + Quote(strMount));
    }
    if (!strLoop.empty()) testsupport::Run("losetup -d " + strLoop);
    // Another folder on the same host file system is fine.
    CTempDir out("cli-samevol-out");
    std::string strOut;
    EXPECT_EQ(Cli("recover --deleted " + Quote(strImage) + " --to " + Quote(out.Path().string()), &strOut), 0);
}

TEST(CliVolumes, JsonCarriesTimesAndStatesAndMatchKeepsMatchingPaths)
{
    std::string strOut, strErr;
    ASSERT_EQ(Cli("list --json --match '*/BIG.bin' " + Quote(BasicImage()), &strOut), 0);
    auto lines = JsonLines(strOut);
    std::vector<std::string> paths;
    for (const auto& j : lines) paths.push_back(j["path"]);
    // Case folded, "*" across "/", and the folder above comes along.
    EXPECT_EQ(paths, (std::vector<std::string>{"docs", "docs/big.bin"}));
    ASSERT_EQ(lines.size(), 2u);
    const auto& big = lines[1];
    EXPECT_EQ(big["state"], "good");
    EXPECT_TRUE(lines[0]["state"].is_null());  // folders have none
    const std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d{1,7})?Z)");
    for (const char* pszKey : {"created", "modified", "accessed"}) {
        ASSERT_TRUE(big[pszKey].is_string()) << pszKey;
        EXPECT_TRUE(std::regex_match(big[pszKey].get<std::string>(), iso)) << big[pszKey];
    }

    CTempDir out("cli-match");
    ASSERT_EQ(Cli("recover --deleted --match '*.TXT' " + Quote(BasicImage()) + " --to " + Quote(out.Path().string()),
                  &strOut, &strErr),
              0)
        << strErr;
    std::set<std::string> written;
    for (const auto& entry : fsys::recursive_directory_iterator(out.Path()))
        if (entry.is_regular_file()) written.insert(fsys::relative(entry.path(), out.Path()).string());
    EXPECT_TRUE(written.count("trip/sub/list.txt"));
    EXPECT_TRUE(written.count("notes.txt"));
    for (const std::string& strPath : written) EXPECT_EQ(strPath.substr(strPath.size() - 4), ".txt") << strPath;
    EXPECT_FALSE(written.count("readme.txt"));  // live

    EXPECT_EQ(Cli("recover --match '*.nothing' " + Quote(BasicImage()) + " --to " + Quote(out.Path().string()), &strOut,
                  &strErr),
              2);
    EXPECT_NE(strErr.find("no item"), std::string::npos) << strErr;
}

TEST(CliVolumes, FilesTooBigForAFat32DestinationAreSkippedAndReported)
{
    const ntfsfix::CVolume& volume = ntfsfix::Volume("times");
    ASSERT_TRUE(volume.m_bOk) << volume.m_strError;
    CTempDir dir("cli-fat32");
    std::string strFat = dir / "dest.img", strMount = dir / "mnt";
    fsys::create_directories(strMount);
    MustRun("mkfs.fat -C -F 32 -s 1 " + Quote(strFat) + " 40960 >/dev/null");
    // The kernel's vfat driver where it is there, else the FUSE one.
    bool bMounted = testsupport::Run("mount -o loop " + Quote(strFat) + " " + Quote(strMount)) == 0 ||
                    (HaveTool("fusefat") && testsupport::Run("fusefat -o rw+ " + Quote(strFat) + " " + Quote(strMount)) == 0);
    if (!bMounted) GTEST_SKIP() << "no way to mount a FAT32 image here";

    std::string strOut, strErr;
    int nStatus = Cli("recover " + Quote(volume.m_strImage) + " --to " + Quote(strMount) + " dated", &strOut, &strErr);
    bool bHuge = fsys::exists(fsys::path(strMount) / "dated" / "huge.bin");
    std::vector<uint8_t> report = ReadFileBytes(strMount + "/dated/report.txt");
    testsupport::Run("umount " + Quote(strMount));
    EXPECT_EQ(nStatus, 1) << strErr;
    EXPECT_NE(strErr.find("huge.bin"), std::string::npos) << strErr;
    EXPECT_NE(strErr.find("not written"), std::string::npos) << strErr;
    EXPECT_FALSE(bHuge);  // not cut short at 4 GiB, not there at all
    EXPECT_EQ(report.size(), 70000u);  // the other files are written
}
