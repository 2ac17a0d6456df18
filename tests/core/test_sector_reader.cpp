#include <gtest/gtest.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "disk/SectorReader.h"
#include "platform/VolumeTable.h"
#include "tests/core/TestSupport.h"

using namespace testsupport;

TEST(SectorReader, SixtyFourBitOffsetsOnAnImageFile)
{
    CTempDir dir("reader");
    std::string strImage = dir / "big.img";
    // A sparse image just over 4 GiB with a marked sector at 2^23 (byte 2^32).
    MustRun("truncate -s 4295000064 " + Quote(strImage));
    std::vector<uint8_t> mark(512, 0x5A);
    FILE* f = std::fopen(strImage.c_str(), "r+b");
    ASSERT_TRUE(f);
    ASSERT_EQ(::fseeko(f, static_cast<off_t>(1ull << 32), SEEK_SET), 0);
    ASSERT_EQ(std::fwrite(mark.data(), 1, mark.size(), f), mark.size());
    std::fclose(f);

    std::string strError;
    CSectorReader reader(2, CFileSectorSource::Open(strImage, &strError));
    ASSERT_TRUE(reader.IsOpen()) << strError;
    auto pSector = reader.ReadSectors(2, 1ull << 23, 1);
    ASSERT_TRUE(pSector);
    EXPECT_EQ(std::vector<uint8_t>(pSector.get(), pSector.get() + 512), mark);
    EXPECT_EQ(reader.GetTotalSectors(), 4295000064ull / 512);
    // A chunk of 2048 sectors is 1 MiB; one that runs past the end fails as a whole.
    auto pChunk = reader.ReadSectors(2, 0, 2048);
    ASSERT_TRUE(pChunk);
    EXPECT_EQ(pChunk[1048575], 0);
    EXPECT_FALSE(reader.ReadSectors(2, reader.GetTotalSectors() - 1, 2));
    EXPECT_FALSE(reader.ReadSectors(2, 0, 0));
    EXPECT_FALSE(reader.ReadSectors(2, 0, -5));
}

TEST(SectorReader, UnopenedSourceFailsEveryRead)
{
    CVolumeTable::Instance().Remove(20);
    CSectorReader reader(20);  // nothing registered at U:
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_FALSE(reader.GetOpenError().empty());
    uint8_t buf[512];
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(reader.ReadSectors(20, 0, 1));
        EXPECT_FALSE(reader.ReadSectorsInto(20, 0, 1, buf));
    }
}

TEST(SectorReader, ReadsThroughTheVolumeTableAndNeverOpensForWriting)
{
    CTempDir dir("reader-table");
    std::string strImage = dir / "vol.img";
    WriteFileBytes(strImage, PatternBytes(8192, 3));
    CVolumeInfo info;
    info.m_strSourcePath = strImage;
    int nDrive = CVolumeTable::Instance().Register(info);
    ASSERT_GE(nDrive, 2);
    CSectorReader reader(nDrive);
    ASSERT_TRUE(reader.IsOpen());
    auto p = reader.ReadSectors(nDrive, 15, 1);
    ASSERT_TRUE(p);
    std::vector<uint8_t> bytes = PatternBytes(8192, 3);
    EXPECT_EQ(std::vector<uint8_t>(p.get(), p.get() + 512), std::vector<uint8_t>(bytes.begin() + 15 * 512, bytes.end()));
    // Every descriptor open on the image is read-only.
    int nOpen = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(fd.path(), ec) != strImage) continue;
        std::ifstream fdinfo("/proc/self/fdinfo/" + fd.path().filename().string());
        std::string strKey, strFlags;
        while (fdinfo >> strKey >> strFlags && strKey != "flags:") {}
        EXPECT_EQ(std::stoul(strFlags, nullptr, 8) & O_ACCMODE, static_cast<unsigned long>(O_RDONLY));
        ++nOpen;
    }
    EXPECT_EQ(nOpen, 1);
    CVolumeTable::Instance().Remove(nDrive);
}
