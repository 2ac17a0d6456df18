// Damaged volumes through the `varnel` command: volumes made by mkntfs +
// ntfscp and mkfs.fat + mtools, then cut, zeroed or patched where a real
// fault or a hostile image would. Each must end with a clear message or a
// partial result, an exit status that says which, and bounded time and memory.

#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "fs/FAT.h"
#include "fs/NTFS.h"
#include "tests/core/NtfsFixtures.h"
#include "tests/core/SmallVolumes.h"
#include "tests/core/TestSupport.h"

using namespace testsupport;
using namespace smallvol;
namespace fsys = std::filesystem;

namespace {

// Far above what any of these volumes needs (a few MiB), even under AddressSanitizer.
constexpr long MAX_RSS_KIB = 1024 * 1024;

void PutLe(std::vector<uint8_t>& b, uint64_t nOffset, uint64_t nValue, size_t nBytes)
{
    for (size_t i = 0; i < nBytes; ++i) b.at(nOffset + i) = static_cast<uint8_t>(nValue >> (8 * i));
}

uint64_t GetLe(const std::vector<uint8_t>& b, uint64_t nOffset, size_t nBytes)
{
    return CByteView(b.data(), b.size()).Le(nOffset, nBytes);
}

// ---- the NTFS volume --------------------------------------------------------

// Where things lie on the NTFS volume, read with the engine's own decoders.
struct CNtfsLayout {
    uint64_t m_nMftOffset = 0;
    uint64_t m_nCluster = 0;
    uint64_t m_nDataRecord = 0;   // byte offset of data.bin's record
    uint64_t m_nDataLcn = 0;      // its first cluster
};

uint64_t RecordOf(const std::string& strImage, const std::string& strName)
{
    std::string strOut;
    EXPECT_EQ(testsupport::Run("ifind -n " + Quote(strName) + " " + Quote(strImage), &strOut), 0) << strOut;
    return std::stoull(strOut);
}

CNtfsLayout NtfsLayout(const std::vector<uint8_t>& bytes)
{
    CNtfsGeometry g;
    EXPECT_TRUE(DecodeNtfsBoot(CByteView(bytes.data(), 512), g));
    CNtfsLayout layout;
    layout.m_nCluster = g.m_nClusterSize;
    layout.m_nMftOffset = g.m_nMftCluster * g.m_nClusterSize;
    layout.m_nDataRecord = layout.m_nMftOffset + RecordOf(SmallNtfsImage(), "data.bin") * g.m_nRecordSize;
    std::vector<uint8_t> record(bytes.begin() + static_cast<ptrdiff_t>(layout.m_nDataRecord),
                                bytes.begin() + static_cast<ptrdiff_t>(layout.m_nDataRecord + g.m_nRecordSize));
    ApplyFixups(record.data(), record.size());
    CNtfsAttribute data;
    EXPECT_TRUE(FindAttribute(CByteView(record.data(), record.size()), NTFS_ATTR_DATA, data));
    auto runs = DecodeRunList(data.RunList(), 0, g.TotalClusters());
    EXPECT_FALSE(runs.empty());
    if (!runs.empty()) layout.m_nDataLcn = static_cast<uint64_t>(runs[0].m_nLcn);
    return layout;
}

// Offset in the volume of an attribute of a type (its header) in the record
// at nRecord (default: data.bin's).
uint64_t AttributeOffset(const std::vector<uint8_t>& bytes, const CNtfsLayout& l, uint32_t nType, uint64_t nRecord = 0)
{
    if (nRecord == 0) nRecord = l.m_nDataRecord;
    uint64_t nPos = nRecord + GetLe(bytes, nRecord + 0x14, 2);
    while (GetLe(bytes, nPos, 4) != nType && GetLe(bytes, nPos, 4) != NTFS_ATTR_END) nPos += GetLe(bytes, nPos + 4, 4);
    EXPECT_EQ(GetLe(bytes, nPos, 4), nType);
    return nPos;
}

// Rewrites data.bin's $DATA run list (the attribute is the record's last, so
// it may grow into the free space before the end marker's new place).
void SetDataRunList(std::vector<uint8_t>& b, const CNtfsLayout& l, const std::vector<uint8_t>& runList,
                    uint64_t nSize)
{
    uint64_t nAttr = AttributeOffset(b, l, NTFS_ATTR_DATA);
    ASSERT_EQ(GetLe(b, nAttr + GetLe(b, nAttr + 4, 4), 4), NTFS_ATTR_END) << "$DATA is not the last attribute";
    uint64_t nRuns = nAttr + GetLe(b, nAttr + 0x20, 2);
    uint64_t nEnd = (nRuns + runList.size() + 1 + 7) & ~uint64_t{7};
    ASSERT_LT(nEnd + 8, l.m_nDataRecord + 510) << "the patch would cross the first fixup";
    std::fill(b.begin() + static_cast<ptrdiff_t>(nRuns), b.begin() + static_cast<ptrdiff_t>(nEnd), 0);
    std::copy(runList.begin(), runList.end(), b.begin() + static_cast<ptrdiff_t>(nRuns));
    PutLe(b, nAttr + 4, nEnd - nAttr, 4);
    PutLe(b, nAttr + 0x18, nSize / l.m_nCluster, 8);  // highest VCN
    for (uint64_t nField : {0x28, 0x30, 0x38}) PutLe(b, nAttr + nField, nSize, 8);
    PutLe(b, nEnd, NTFS_ATTR_END, 4);
    PutLe(b, nEnd + 4, 0, 4);
    PutLe(b, l.m_nDataRecord + 0x18, nEnd + 8 - l.m_nDataRecord, 4);
}

// ---- the FAT volume ---------------------------------------------------------

struct CFatLayout {
    CFatGeometry m_g;
    uint64_t m_nLiveEntry = 0;  // byte offset of LIVE.BIN's entry
    uint32_t m_nLive = 0;       // its first cluster
    uint32_t m_nDir = 0;        // DIR's first cluster
};

uint64_t FindShortEntry(const std::vector<uint8_t>& b, const CFatGeometry& g, const char* pszName)
{
    uint64_t nRoot = g.m_nRootStart * SECTOR_SIZE;
    for (uint64_t n = nRoot; n < nRoot + g.m_nRootSectors * SECTOR_SIZE; n += 32)
        if (std::memcmp(&b[n], pszName, 11) == 0) return n;
    ADD_FAILURE() << pszName << " not in the root folder";
    return nRoot;
}

CFatLayout FatLayout(const std::vector<uint8_t>& b)
{
    CFatLayout l;
    l.m_g = static_cast<CFAT&>(*MemoryEngine(b, "FAT")).GetGeometry();
    l.m_nLiveEntry = FindShortEntry(b, l.m_g, "LIVE    BIN");
    l.m_nLive = static_cast<uint32_t>(GetLe(b, l.m_nLiveEntry + 0x1A, 2));
    l.m_nDir = static_cast<uint32_t>(GetLe(b, FindShortEntry(b, l.m_g, "DIR        ") + 0x1A, 2));
    return l;
}

void SetLink(std::vector<uint8_t>& b, const CFatLayout& l, uint32_t nCluster, uint32_t nNext)
{
    PutLe(b, l.m_g.m_nFatStart * SECTOR_SIZE + uint64_t{nCluster} * 2, nNext, 2);
}

uint32_t GetLink(const std::vector<uint8_t>& b, const CFatLayout& l, uint32_t nCluster)
{
    return static_cast<uint32_t>(GetLe(b, l.m_g.m_nFatStart * SECTOR_SIZE + uint64_t{nCluster} * 2, 2));
}

// ---- the cases --------------------------------------------------------------

struct CDamage {
    const char* m_pszName;
    bool m_bNtfs;
    std::function<void(std::vector<uint8_t>&)> m_damage;
    std::vector<std::string> m_extraArgs;  // --type ...
    int m_nListStatus;
    int m_nRecoverStatus;
    const char* m_pszMessage;  // in stderr of both commands
};

void Cut(std::vector<uint8_t>& b, uint64_t nLength) { b.resize(nLength); }

std::vector<CDamage> Cases()
{
    auto Ntfs = [](std::function<void(std::vector<uint8_t>&, const CNtfsLayout&)> f) {
        return [f](std::vector<uint8_t>& b) { f(b, NtfsLayout(b)); };
    };
    auto Fat = [](std::function<void(std::vector<uint8_t>&, const CFatLayout&)> f) {
        return [f](std::vector<uint8_t>& b) { f(b, FatLayout(b)); };
    };
    const std::vector<std::string> asNtfs{"--type", "NTFS"}, asFat{"--type", "FAT"};
    return {
        {"NTFS cut inside the boot sector", true, [](auto& b) { Cut(b, 300); }, {}, 2, 2, "shorter than one sector"},
        {"NTFS cut inside the MFT", true, Ntfs([](auto& b, auto& l) { Cut(b, l.m_nMftOffset + 40 * 1024); }), {}, 1, 1,
         "damaged volume: the source ends after"},
        {"NTFS cut inside the data", true, Ntfs([](auto& b, auto& l) { Cut(b, (l.m_nDataLcn + 2) * l.m_nCluster); }),
         {}, 1, 1, "unreadable clusters written as zeros"},
        {"NTFS zeroed boot sector", true, [](auto& b) { std::fill_n(b.begin(), 512, 0); }, {}, 2, 2,
         "no NTFS or FAT file system found"},
        {"NTFS zeroed boot sector taken as NTFS", true, [](auto& b) { std::fill_n(b.begin(), 512, 0); }, asNtfs, 2, 2,
         "boot sector: bytes per sector"},
        {"NTFS sectors per cluster 0", true, [](auto& b) { b[0x0D] = 0; }, asNtfs, 2, 2,
         "boot sector: sectors per cluster"},
        {"NTFS sectors per cluster 2^40", true, [](auto& b) { b[0x0D] = 256 - 40; }, asNtfs, 2, 2,
         "boot sector: sectors per cluster"},
        {"NTFS sector count 2^50", true, [](auto& b) { PutLe(b, 0x28, uint64_t{1} << 50, 8); }, asNtfs, 1, 1,
         "damaged volume: the source ends after"},
        {"NTFS MFT cluster 2^60", true, [](auto& b) { PutLe(b, 0x30, uint64_t{1} << 60, 8); }, asNtfs, 2, 2,
         "the MFT does not lie inside the volume"},
        {"NTFS attribute length outside the record", true,
         Ntfs([](auto& b, auto& l) { PutLe(b, AttributeOffset(b, l, NTFS_ATTR_FILE_NAME) + 4, 0xFFF0, 4); }), {}, 1, 1,
         "MFT record(s) damaged"},
        {"NTFS name length outside its attribute", true,
         Ntfs([](auto& b, auto& l) { b[AttributeOffset(b, l, NTFS_ATTR_FILE_NAME) + 0x18 + 0x40] = 255; }), {}, 1, 1,
         "MFT record(s) damaged"},
        {"NTFS run list leaving the volume", true,
         Ntfs([](auto& b, auto& l) { SetDataRunList(b, l, {0x31, 0x0D, 0x00, 0x00, 0x40}, 50000); }), {}, 0, 1,
         "the run list ends before the end of the file"},
        {"NTFS run list claiming petabytes", true,
         Ntfs([](auto& b, auto& l) {
             // 2^40 clusters of 4 KiB from cluster 0x10.
             SetDataRunList(b, l, {0x16, 0, 0, 0, 0, 0, 1, 0x10}, uint64_t{1} << 52);
         }),
         {}, 0, 1, "is more than the volume can hold"},
        {"NTFS sector count 2^50 and a run list past the image's end", true,
         Ntfs([](auto& b, auto& l) {
             PutLe(b, 0x28, uint64_t{1} << 50, 8);
             SetDataRunList(b, l, {0x16, 0, 0, 0, 0, 0, 1, 0x10}, uint64_t{1} << 52);
         }),
         asNtfs, 1, 1, "is more than the volume can hold"},
        {"NTFS sector count 2^50 and a $Bitmap claiming to cover it", true,
         Ntfs([](auto& b, auto& l) {
             PutLe(b, 0x28, uint64_t{1} << 50, 8);
             uint64_t nBitmap = AttributeOffset(b, l, NTFS_ATTR_DATA, l.m_nMftOffset + 6 * 1024);
             for (uint64_t nField : {0x28, 0x30, 0x38}) PutLe(b, nBitmap + nField, uint64_t{1} << 44, 8);
         }),
         asNtfs, 1, 1, "damaged volume: the source ends after"},
        {"FAT cut inside the boot sector", false, [](auto& b) { Cut(b, 100); }, {}, 2, 2, "shorter than one sector"},
        {"FAT cut inside the table", false, [](auto& b) { Cut(b, 8 * 512); }, asFat, 2, 2, "(a cut image?)"},
        {"FAT cut inside the data", false, [](auto& b) { Cut(b, b.size() / 2); }, {}, 2, 2, "(a cut image?)"},
        {"FAT zeroed boot sector", false, [](auto& b) { std::fill_n(b.begin(), 512, 0); }, asFat, 2, 2,
         "boot sector: bytes per sector"},
        {"FAT sectors per cluster 0", false, [](auto& b) { b[0x0D] = 0; }, asFat, 2, 2, "sectors per cluster is 0"},
        {"FAT sectors per table 65535", false, [](auto& b) { PutLe(b, 0x16, 0xFFFF, 2); }, asFat, 2, 2,
         "fill the whole volume"},
        {"FAT sector count 2^32-1", false, [](auto& b) { PutLe(b, 0x13, 0, 2); PutLe(b, 0x20, 0xFFFFFFFF, 4); },
         asFat, 2, 2, "(a cut image?)"},
        {"FAT file chain that loops", false,
         Fat([](auto& b, auto& l) { SetLink(b, l, GetLink(b, l, l.m_nLive), l.m_nLive); }), {}, 0, 1,
         "the cluster chain loops"},
        {"FAT file chain leaving the volume", false, Fat([](auto& b, auto& l) { SetLink(b, l, l.m_nLive, 0xFFF0); }),
         {}, 0, 1, "the cluster chain is broken"},
        {"FAT file size 4 GiB", false, Fat([](auto& b, auto& l) { PutLe(b, l.m_nLiveEntry + 0x1C, 0xFFFFFFFF, 4); }),
         {}, 0, 1, "the recorded size is larger than the volume"},
        {"FAT folder chain that loops", false,
         Fat([](auto& b, auto& l) { SetLink(b, l, GetLink(b, l, l.m_nDir), l.m_nDir); }), {}, 1, 1,
         "the cluster chain of the folder at cluster"},
        {"FAT folder claiming millions of entries", false,
         Fat([](auto& b, auto& l) {
             // DIR's chain goes on through every free cluster to the end of the volume.
             uint32_t nLast = l.m_nDir, nFree = l.m_g.m_nMaxCluster;
             while (GetLink(b, l, nLast) >= 2 && GetLink(b, l, nLast) < 0xFFF0) nLast = GetLink(b, l, nLast);
             while (GetLink(b, l, nFree) == 0) --nFree;
             SetLink(b, l, nLast, nFree + 1);
             for (uint32_t c = nFree + 1; c < l.m_g.m_nMaxCluster; ++c) SetLink(b, l, c, c + 1);
             SetLink(b, l, l.m_g.m_nMaxCluster, 0xFFFF);
         }),
         {}, 1, 1, "longer than 65536 entries"},
    };
}

}  // namespace

TEST(DamagedVolumes, EachEndsWithAMessageOrAPartialResultAndTheExitStatusSaysSo)
{
    if (!HaveTool("mkntfs") || !HaveTool("ntfscp") || !HaveTool("mkfs.fat") || !HaveTool("ifind"))
        GTEST_SKIP() << "needs ntfs-3g, dosfstools, mtools and sleuthkit";
    for (const CDamage& c : Cases()) {
        SCOPED_TRACE(c.m_pszName);
        CTempDir dir("damaged");
        std::vector<uint8_t> bytes = ReadFileBytes(c.m_bNtfs ? SmallNtfsImage() : SmallFatImage());
        c.m_damage(bytes);
        std::string strImage = dir / "damaged.img";
        WriteFileBytes(strImage, bytes);

        fsys::create_directory(dir.Path() / "out");
        int nListed = 0, nRecovered = 0;
        std::string strMessages;
        long nMaxRss = 0;
        if (c.m_bNtfs || c.m_nListStatus == 2) {
            // NTFS, and refusals at the boot sector (which come before the edition's check), through the command.
            std::vector<std::string> list{"list", strImage}, recover{"recover", strImage, "--to", dir / "out"};
            list.insert(list.end(), c.m_extraArgs.begin(), c.m_extraArgs.end());
            recover.insert(recover.end(), c.m_extraArgs.begin(), c.m_extraArgs.end());
            CCliRun listed = RunCli(list, dir), recovered = RunCli(recover, dir);
            nListed = listed.m_nStatus;
            nRecovered = recovered.m_nStatus;
            strMessages = listed.m_strErr + recovered.m_strErr;
            nMaxRss = std::max(listed.m_nMaxRssKiB, recovered.m_nMaxRssKiB);
        } else {
            nListed = ScanAndRecoverHere(strImage, "FAT", "", &strMessages);
            nRecovered = ScanAndRecoverHere(strImage, "FAT", dir / "out", &strMessages);
        }
        EXPECT_EQ(nListed, c.m_nListStatus) << strMessages;
        EXPECT_EQ(nRecovered, c.m_nRecoverStatus) << strMessages;
        EXPECT_NE(strMessages.find(c.m_pszMessage), std::string::npos) << strMessages;
        EXPECT_LT(nMaxRss, MAX_RSS_KIB);
        // Nothing written is larger than the volume could hold.
        for (const auto& e : fsys::recursive_directory_iterator(dir.Path() / "out")) {
            if (e.is_regular_file()) {
                EXPECT_LE(e.file_size(), 8u << 20) << e.path();
            }
        }
    }
}

TEST(DamagedVolumes, AttributeListsThatLoopOrRepeatEndWithThePartsTheyCanGive)
{
    using namespace ntfsfix;
    CImage img = MakeImage(512 * 1024);
    auto data = [](uint64_t nLow, uint64_t nHigh) {
        return NonResidentData(RunList({{nHigh - nLow + 1, 40}}), nLow, nHigh, 0x10000, 0x10000, 0x10000);
    };
    // Record 30 lists itself, record 31 for its second half, and 31 again
    // and again; 31 is a base record that lists 30 back.
    std::vector<uint8_t> list;
    for (int i = 0; i < 20; ++i) {
        std::vector<uint8_t> e = ListEntry(NTFS_ATTR_DATA, i == 0 ? 0 : 8, i == 0 ? 30 : 31);
        list.insert(list.end(), e.begin(), e.end());
    }
    img.SetRecord(30, Record(1024, 1, 30, {FileNameAttr(5, u"loop.bin"), AttributeListAttr(list), data(0, 7)}));
    img.SetRecord(31, Record(1024, 1, 31, {AttributeListAttr(ListEntry(NTFS_ATTR_DATA, 0, 30)), data(8, 15)}));
    auto pEngine = MemoryEngine(img.bytes, "NTFS");
    ASSERT_TRUE(pEngine->m_bBootLoaded);
    CTempDir dir("attrlist-loop");
    std::string strOut = dir / "loop.bin";
    std::string strError;
    COutputFile out = COutputFile::Create(strOut, &strError);
    CRecoverResult result = pEngine->RecoverFile(30, "loop.bin", out, nullptr);
    out.Close();
    // The first half is there; the second half's segment is claimed by a base
    // record, not an extension of 30: zeros in its place, and the file is incomplete.
    EXPECT_TRUE(result.m_bWritten);
    EXPECT_FALSE(result.IsComplete());
    EXPECT_EQ(result.m_nUnreadableClusters, 8u);
    EXPECT_NE(result.m_strError.find("extension record 31"), std::string::npos) << result.m_strError;
    EXPECT_EQ(fsys::file_size(strOut), 0x10000u);

    COutputFile other = COutputFile::Create(dir / "other.bin", &strError);
    CRecoverResult otherResult = pEngine->RecoverFile(31, "other.bin", other, nullptr);
    EXPECT_FALSE(otherResult.IsComplete());
    EXPECT_NE(otherResult.m_strError.find("extension record 30"), std::string::npos) << otherResult.m_strError;
}
