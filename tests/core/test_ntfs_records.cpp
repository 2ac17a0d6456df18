// Byte-level NTFS decoding: boot geometry, record names and flags, run values,
// fixups and the scan's stop rule, on images built in memory.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

#include "fs/NTFS.h"
#include "fs/NtfsRecord.h"
#include "fs/TextCodec.h"
#include "tests/core/NtfsFixtures.h"
#include "tests/core/TestSupport.h"

using namespace ntfsfix;

namespace {

CNTFS& Ntfs(const std::unique_ptr<CFileSystem>& p) { return dynamic_cast<CNTFS&>(*p); }

class CRecordingScan : public CNullScanProgress {
public:
    void SetTotalClusters(uint64_t n) override { m_nTotal = n; }
    void SetCurrentCluster(uint64_t n) override { m_current.push_back(n); }
    void SetFoundCount(uint64_t n) override { m_found.push_back(n); }
    void SetCurrentName(const std::string& s) override { m_names.push_back(s); }
    void WaitWhilePaused() override { ++m_nPauseChecks; }
    uint64_t m_nTotal = 0;
    std::vector<uint64_t> m_current, m_found;
    std::vector<std::string> m_names;
    uint64_t m_nPauseChecks = 0;
};

std::vector<std::vector<uint8_t>> FileAttrs(const std::u16string& strName, uint64_t nParent = 5)
{
    return {StandardInformation(), FileNameAttr(nParent, strName)};
}

// Scans an image and returns the found entries.
CFoundArray ScanBytes(std::vector<uint8_t> bytes, CRecordingScan* pProgress = nullptr)
{
    auto pEngine = testsupport::MemoryEngine(std::move(bytes), "NTFS");
    CRecordingScan progress;
    pEngine->ScanDrive(2, pProgress ? pProgress : &progress);
    return std::move(*pEngine->TakeFound());
}

std::set<uint64_t> Refs(const CFoundArray& found)
{
    std::set<uint64_t> refs;
    for (const auto& p : found) refs.insert(p->m_nStartRef);
    return refs;
}

TEST(NtfsRecords, RecordSizeFromTheBootSector)
{
    struct {
        int8_t c;
        uint64_t nCluster;
        uint64_t nSize;
    } cases[] = {{-10, 4096, 1024}, {-12, 4096, 4096}, {2, 4096, 8192}, {1, 1024, 1024}, {-128, 4096, 0}, {0, 4096, 0}};
    for (const auto& c : cases) EXPECT_EQ(RecordSizeFromBoot(c.c, c.nCluster), c.nSize) << int(c.c);
}

TEST(NtfsRecords, AbsurdGeometryCountsAsNotLoadedAndRefusesTheScan)
{
    struct {
        const char* pszWhat;
        size_t nOffset;
        uint64_t nValue;
        size_t nBytes;
    } cases[] = {
        {"0 bytes per sector", 0x0B, 0, 2},
        {"0 sectors per cluster", 0x0D, 0, 1},
        {"2048-byte records", 0x40, 0xF5, 1},
        {"8192-byte records", 0x40, 2, 1},
        {"MFT past the volume", 0x30, 1u << 20, 8},
        {"no sectors", 0x28, 0, 8},
    };
    ASSERT_TRUE(testsupport::MemoryEngine(MakeImage(1 << 20).bytes, "NTFS")->m_bBootLoaded);
    for (const auto& c : cases) {
        CImage img = MakeImage(1 << 20);
        for (size_t i = 0; i < c.nBytes; ++i) img.bytes[c.nOffset + i] = static_cast<uint8_t>(c.nValue >> (8 * i));
        auto pEngine = testsupport::MemoryEngine(img.bytes, "NTFS");
        EXPECT_FALSE(pEngine->m_bBootLoaded) << c.pszWhat;
        CNullScanProgress progress;
        EXPECT_EQ(pEngine->ScanDrive(2, &progress), 0);
        EXPECT_EQ(progress.m_strLastMessage, "Failed to load bios parameter Scanning is not possible") << c.pszWhat;
        EXPECT_TRUE(pEngine->m_pFound->empty());
    }
}

TEST(NtfsRecords, RecordSectorWithAContiguousMft)
{
    // MFT at cluster 786432, 8 sectors per cluster: record 27 at sector 6291510.
    std::vector<uint8_t> boot = MakeImage(4096, {}, true).bytes;
    const uint64_t nTotal = 8000000;
    for (size_t i = 0; i < 8; ++i) {
        boot[0x28 + i] = static_cast<uint8_t>(nTotal >> (8 * i));
        boot[0x30 + i] = static_cast<uint8_t>(uint64_t{786432} >> (8 * i));
    }
    auto pEngine = testsupport::MemoryEngine(boot, "NTFS");
    ASSERT_TRUE(pEngine->m_bBootLoaded);
    EXPECT_FALSE(Ntfs(pEngine).HasMftExtents());
    EXPECT_EQ(Ntfs(pEngine).RecordSector(27), 6291510u);
    // 64-bit: record 2^32 lies 2^33 sectors further on.
    EXPECT_EQ(Ntfs(pEngine).RecordSector(uint64_t{1} << 32), 786432u * 8 + (uint64_t{1} << 33));
}

TEST(NtfsRecords, NameChoiceLetterCaseAndNameLost)
{
    struct {
        const char* pszWhat;
        std::vector<std::vector<uint8_t>> attrs;
        std::string strName;
    } cases[] = {
        {"single name lower-cased", FileAttrs(u"READ ME.TXT"), "read me.txt"},
        {"short alias then long name",
         {StandardInformation(), FileNameAttr(5, u"LONGFI~1.TXT", 2), FileNameAttr(5, u"Long File Name.txt")},
         "Long File Name.txt"},
        {"tilde without a following name", FileAttrs(u"A~B.TXT"), "a~b.txt"},
        {"second name but no tilde",
         {StandardInformation(), FileNameAttr(5, u"FIRST.TXT"), FileNameAttr(5, u"Second.txt")},
         "first.txt"},
        {"accents kept and lower-cased", FileAttrs(u"CAFÉ ÀÖØÞ.TXT"), "café àöøþ.txt"},
        {"CJK and a surrogate pair kept", FileAttrs(u"中文\U0001D11E.TXT"), "中文\U0001D11E.txt"},
        {"Greek and Cyrillic capitals", FileAttrs(u"ΑΒΓ ДЖЯ"), "αβγ джя"},
        {"XP layout: $FILE_NAME at 0x98", {StandardInformation(0x48), FileNameAttr(5, u"X.DAT")}, "x.dat"},
        {"other driver: $FILE_NAME at 0x80", {StandardInformation(0x30), FileNameAttr(5, u"Y.DAT")}, "y.dat"},
        {"trailing white space trimmed", FileAttrs(u"name \t "), "name"},
        {"only spaces", FileAttrs(u"   "), "Name Lost"},
        {"no $FILE_NAME", {StandardInformation()}, "Name Lost"},
    };
    for (const auto& c : cases) {
        CImage img = MakeImage(1 << 20);
        img.SetRecord(30, Record(1024, 1, 30, c.attrs));
        CFoundArray found = ScanBytes(img.bytes);
        ASSERT_EQ(found.size(), 1u) << c.pszWhat;
        EXPECT_EQ(found[0]->m_strName, c.strName) << c.pszWhat;
        EXPECT_TRUE(IsValidUtf8(found[0]->m_strName)) << c.pszWhat;
    }
}

TEST(NtfsRecords, FlagsReferencesAndSize)
{
    struct {
        uint16_t wFlags;
        bool bDeleted;
        bool bFolder;
    } cases[] = {{0, true, false}, {1, false, false}, {2, true, true}, {3, false, true}, {5, false, false}};
    for (const auto& c : cases) {
        CImage img = MakeImage(1 << 20);
        auto attrs = FileAttrs(u"f", 0x123456789A);
        attrs.push_back(ResidentData(std::vector<uint8_t>(77, 'x')));
        img.SetRecord(40, Record(1024, c.wFlags, 40, attrs));
        CFoundArray found = ScanBytes(img.bytes);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0]->m_bDeleted, c.bDeleted) << c.wFlags;
        EXPECT_EQ(found[0]->IsFolder(), c.bFolder) << c.wFlags;
        EXPECT_EQ(found[0]->m_nParentRef, 0x123456789Au);
        EXPECT_EQ(found[0]->m_nStartRef, 40u);
        EXPECT_EQ(found[0]->m_nSize, 77u);
    }
    // Size: non-resident real size, else the name's real size; the record's index without a number field.
    CImage img = MakeImage(1 << 20);
    auto attrs = FileAttrs(u"big");
    attrs.push_back(NonResidentData(RunList({{2, 100}}), 0, 1, 8192, 5000, 5000));
    img.SetRecord(41, Record(1024, 1, 41, attrs));
    img.SetRecord(42, Record(1024, 1, 0, {StandardInformation(), FileNameAttr(5, u"n", 1, 1234)}));
    CFoundArray found = ScanBytes(img.bytes);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0]->m_nSize, 5000u);
    EXPECT_EQ(found[1]->m_nSize, 1234u);
    EXPECT_EQ(found[1]->m_nStartRef, 42u);
}

TEST(NtfsRecords, ReadRunValue)
{
    struct {
        std::vector<uint8_t> bytes;
        int64_t nValue;
    } cases[] = {
        {{0xF0}, -16},
        {{0x00, 0x01}, 256},
        {{0x7F}, 127},
        {{0x00, 0x80}, -32768},
        {{0x01, 0x00, 0x00, 0x00, 0x01}, 0x100000001},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, INT64_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CNTFS::ReadRunValue(c.bytes.data(), static_cast<int>(c.bytes.size())), c.nValue);
}

TEST(NtfsRecords, FixupsOnEveryStrideAndTornRecords)
{
    // A 4096-byte record whose name crosses a stride end: only the fixup restores it.
    CImage geometry;
    geometry.nRecordSize = 4096;
    CImage img = MakeImage(1 << 20, geometry);
    std::u16string strLong(200, u'A');
    img.SetRecord(30, Record(4096, 1, 30, {StandardInformation(0x1C0), FileNameAttr(5, strLong)}));
    std::vector<uint8_t> torn = Record(4096, 1, 31, FileAttrs(u"torn"));
    torn[3 * 512 - 2] ^= 0xFF;  // a stride that never got its sequence number
    img.SetRecord(31, torn);
    auto pEngine = testsupport::MemoryEngine(img.bytes, "NTFS");
    CNullScanProgress progress;
    pEngine->ScanDrive(2, &progress);
    const CFoundArray& found = *pEngine->m_pFound;
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0]->m_strName, std::string(200, 'a'));
    EXPECT_EQ(found[1]->m_strName, "torn");
    EXPECT_EQ(Ntfs(pEngine).GetTornRecords(), 1u);
}

TEST(NtfsRecords, StopRuleAndChunksOfAContiguousMft)
{
    // Without record 0 the MFT is contiguous: chunks of 1024 records from record 27.
    struct {
        const char* pszWhat;
        std::vector<uint64_t> records;
        std::set<uint64_t> found;
    } cases[] = {
        {"zero middle records, FILE last: the next chunk is read", {30, 1050, 1100, 2074, 2080}, {30, 1050, 1100, 2074, 2080}},
        {"zero last record ends the scan", {30, 1050, 1100, 2100}, {30, 1050, 1100}},
        {"first chunk ends it", {30, 40}, {30, 40}},
    };
    for (const auto& c : cases) {
        CImage img = MakeImage(4 << 20, {}, true);
        for (uint64_t n : c.records) img.SetRecord(n, Record(1024, 0, static_cast<uint32_t>(n), FileAttrs(u"r")));
        EXPECT_EQ(Refs(ScanBytes(img.bytes)), c.found) << c.pszWhat;
    }
}

TEST(NtfsRecords, ScanReadsTheMftExtentsAndGoesOnPastTheLastOne)
{
    // Record 0 maps 64 records in two extents; the stop rule starts after them.
    struct {
        const char* pszWhat;
        bool bLastFile;
        std::set<uint64_t> found;
    } cases[] = {
        {"last MFT record is FILE: records past the MFT are found", true, {40, 63, 70}},
        {"last MFT record is zero: the scan ends with the MFT", false, {40}},
    };
    for (const auto& c : cases) {
        CImage img = MakeImage(2 << 20);
        // Extent 1: clusters 4..11 (records 0..31); extent 2: clusters 100..107 (32..63).
        auto data = NonResidentData(RunList({{8, 4}, {8, 100}}), 0, 15, 65536, 65536, 65536);
        img.SetRecord(0, Record(1024, 1, 0, {StandardInformation(), FileNameAttr(5, u"$MFT"), data}));
        auto Place = [&](uint64_t n) {
            uint64_t nOffset = n < 32 ? img.MftOffset() + n * 1024 : 100 * 4096 + (n - 32) * 1024;
            auto r = Record(1024, 0, static_cast<uint32_t>(n), FileAttrs(u"r"));
            std::copy(r.begin(), r.end(), img.bytes.begin() + static_cast<ptrdiff_t>(nOffset));
        };
        Place(40);
        if (c.bLastFile) Place(63);
        Place(70);  // lies right after extent 2
        // Decoys where a contiguous MFT would put records 40 and 70.
        img.SetRecord(45, Record(1024, 0, 999, FileAttrs(u"decoy")));
        auto pEngine = testsupport::MemoryEngine(img.bytes, "NTFS");
        EXPECT_EQ(Ntfs(pEngine).GetMftExtentCount(), 2u);
        EXPECT_EQ(Ntfs(pEngine).RecordSector(40), (100 * 4096 + 8 * 1024) / 512u);
        CRecordingScan progress;
        pEngine->ScanDrive(2, &progress);
        EXPECT_EQ(Refs(*pEngine->m_pFound), c.found) << c.pszWhat;
    }
}

TEST(NtfsRecords, ProgressPerChunkAndTheStopFlag)
{
    CImage img = MakeImage(4 << 20, {}, true);
    img.SetRecord(30, Record(1024, 0, 30, FileAttrs(u"first")));
    img.SetRecord(1050, Record(1024, 0, 1050, FileAttrs(u"second")));
    img.SetRecord(1100, Record(1024, 0, 1100, FileAttrs(u"third")));
    img.SetRecord(1200, Record(1024, 0, 1200, FileAttrs(u"  ")));
    CRecordingScan progress;
    CFoundArray found = ScanBytes(img.bytes, &progress);
    EXPECT_EQ(found.size(), 4u);
    EXPECT_EQ(progress.m_nTotal, (4u << 20) / 512 - 1);
    EXPECT_EQ(progress.m_current, (std::vector<uint64_t>{4 * 8 + 54, 4 * 8 + 54 + 2048}));
    EXPECT_EQ(progress.m_found, (std::vector<uint64_t>{2, 4}));
    // The "Name Lost" record does not become the name shown.
    EXPECT_EQ(progress.m_names, (std::vector<std::string>{"second", "third"}));
    EXPECT_EQ(progress.m_nPauseChecks, 2048u);

    auto pEngine = testsupport::MemoryEngine(img.bytes, "NTFS");
    pEngine->m_bStopScan = true;
    CRecordingScan stopped;
    EXPECT_EQ(pEngine->ScanDrive(2, &stopped), 0);
    EXPECT_TRUE(pEngine->m_pFound->empty());
    EXPECT_EQ(stopped.m_current.size(), 1u);
}

TEST(NtfsRecords, UnreadableChunkInsideTheMftIsPassedOver)
{
    CImage img = MakeImage(4 << 20);
    // Record 0 maps 3000 records contiguously from cluster 4.
    auto data = NonResidentData(RunList({{750, 4}}), 0, 749, 3000 * 1024, 3000 * 1024, 3000 * 1024);
    img.SetRecord(0, Record(1024, 1, 0, {StandardInformation(), FileNameAttr(5, u"$MFT"), data}));
    for (uint64_t n : {30, 1100, 2100}) img.SetRecord(n, Record(1024, 0, static_cast<uint32_t>(n), FileAttrs(u"r")));
    auto pSource = std::make_unique<CMemorySectorSource>(img.bytes);
    pSource->MarkUnreadable(img.MftOffset() + 1100 * 1024, 512);
    auto pEngine = CreateFileSystem(2, "NTFS", std::make_unique<CSectorReader>(2, std::move(pSource)));
    CNullScanProgress progress;
    pEngine->ScanDrive(2, &progress);
    EXPECT_EQ(Refs(*pEngine->m_pFound), (std::set<uint64_t>{30, 2100}));
}

TEST(NtfsRecords, ArbitraryBytesNeverBreakTheDecoder)
{
    std::mt19937 gen(7);
    CImage img = MakeImage(1 << 20);
    auto pEngine = testsupport::MemoryEngine(img.bytes, "NTFS");
    const auto& ntfs = Ntfs(pEngine);
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> r = Record(1024, 1, 30, FileAttrs(u"seed"));
        // Mutate header and attribute bytes, sometimes heavily.
        int nFlips = 1 + static_cast<int>(gen() % 64);
        for (int k = 0; k < nFlips; ++k) r[gen() % (i % 2 ? 0x100 : r.size())] = static_cast<uint8_t>(gen());
        std::memcpy(r.data(), "FILE", 4);
        CFoundEntry entry;
        ntfs.ParseRecord(r.data(), 30, entry);
        ASSERT_TRUE(IsValidUtf8(entry.m_strName));
        auto runs = DecodeRunList(CByteView(r.data() + 0x100, 0x80), 0, 1000);
        for (const auto& run : runs) ASSERT_TRUE(run.IsSparse() || run.m_nLcn + static_cast<int64_t>(run.m_nLength) <= 1000);
    }
}

}  // namespace

TEST(NtfsRecords, StandardInformationTimesWithFileNameTimesInTheirPlace)
{
    // Times: created 0x08 / 0x00, modified 0x10 / 0x08, accessed 0x20 / 0x18
    // in $FILE_NAME / $STANDARD_INFORMATION; each attribute's value at 0x18.
    auto Stamp = [](std::vector<uint8_t> attr, size_t nOffset, uint64_t nTime) {
        for (size_t i = 0; i < 8; ++i) attr[0x18 + nOffset + i] = static_cast<uint8_t>(nTime >> (8 * i));
        return attr;
    };
    auto FileName = Stamp(Stamp(Stamp(FileNameAttr(5, u"a.txt"), 0x08, 111), 0x10, 222), 0x20, 333);
    auto Standard = Stamp(Stamp(StandardInformation(), 0x00, 1000), 0x18, 3000);  // no modification time
    struct {
        const char* pszWhat;
        std::vector<std::vector<uint8_t>> attributes;
        uint64_t nCreate, nModify, nAccess;
    } cases[] = {
        {"both", {Standard, FileName}, 1000, 222, 3000},
        {"no $STANDARD_INFORMATION", {FileName}, 111, 222, 333},
        {"a $STANDARD_INFORMATION too short for times", {StandardInformation(0x10), FileName}, 111, 222, 333},
        {"no $FILE_NAME", {Standard}, 1000, 0, 3000},
    };
    auto pEngine = testsupport::MemoryEngine(MakeImage(1 << 20).bytes, "NTFS");
    for (auto& c : cases) {
        std::vector<uint8_t> record = Record(1024, 1, 30, c.attributes);
        CFoundEntry entry;
        Ntfs(pEngine).ParseRecord(record.data(), 30, entry);
        EXPECT_EQ(entry.m_nCreateTime, c.nCreate) << c.pszWhat;
        EXPECT_EQ(entry.m_nModifyTime, c.nModify) << c.pszWhat;
        EXPECT_EQ(entry.m_nAccessTime, c.nAccess) << c.pszWhat;
    }
}
