// Hostile names on real volumes: files written by ntfscp and mtools under
// placeholder names, whose names on the volume are then rewritten to "..",
// paths, NUL, lone surrogates and duplicates. Recovery must keep every file
// inside the destination, replace nothing, and write valid names.

#include <filesystem>
#include <gtest/gtest.h>

#include "fs/FAT.h"
#include "fs/NTFS.h"
#include "fs/TextCodec.h"
#include "tests/core/NtfsFixtures.h"
#include "tests/core/SmallVolumes.h"

using namespace testsupport;
using namespace smallvol;
namespace fsys = std::filesystem;

namespace {

// Each placeholder is as long (in UTF-16 units) as the longest crafted name.
struct CCraftedName {
    std::u16string m_strOnVolume;
    std::string m_strWritten;  // what the destination must hold
};

const std::vector<CCraftedName>& CraftedNames()
{
    static const std::vector<CCraftedName> names = {
        {u"..", "__"},
        {u".", "_"},
        {u"../../escape.txt", ".._.._escape.txt"},
        {u"a/b/c.txt", "a_b_c.txt"},
        {std::u16string(u"bad") + char16_t(0xD800) + u"name.txt", "bad\xEF\xBF\xBDname.txt"},
        {u"same.txt", "same (2).txt"},
        {u"same.txt", "same (3).txt"},
    };
    return names;
}

std::string Placeholder(size_t i) { return "placeholder-" + std::to_string(100 + i) + ".txt"; }  // 19 units

// A long name of 122 "é" (248 bytes of UTF-8, more than mtools keeps of longer ones), cut to fit.
const std::string& LongName()
{
    static const std::string str = [] {
        std::string s;
        for (int i = 0; i < 122; ++i) s += "\xC3\xA9";
        return s + ".txt";
    }();
    return str;
}

void WriteUnits(std::vector<uint8_t>& b, size_t nOffset, const std::vector<uint8_t>& units)
{
    std::copy(units.begin(), units.end(), b.begin() + static_cast<ptrdiff_t>(nOffset));
}

// ---- NTFS: the name of each placeholder's $FILE_NAME rewritten in its record.

void CraftNtfs(const std::string& strImage)
{
    std::vector<uint8_t> b = ReadFileBytes(strImage);
    CNtfsGeometry g;
    ASSERT_TRUE(DecodeNtfsBoot(CByteView(b.data(), 512), g));
    for (size_t i = 0; i < CraftedNames().size(); ++i) {
        std::string strOut;
        ASSERT_EQ(testsupport::Run("ifind -n " + Quote(Placeholder(i)) + " " + Quote(strImage), &strOut), 0) << strOut;
        uint64_t nRecord = g.m_nMftCluster * g.m_nClusterSize + std::stoull(strOut) * g.m_nRecordSize;
        CByteView rec(b.data() + nRecord, g.m_nRecordSize);
        for (size_t nPos = rec.U16(0x14); rec.U32(nPos) != NTFS_ATTR_END && rec.U32(nPos + 4) != 0; nPos += rec.U32(nPos + 4)) {
            if (rec.U32(nPos) != NTFS_ATTR_FILE_NAME) continue;
            size_t nName = nPos + rec.U16(nPos + 0x14);
            ASSERT_LT(nName + 0x42 + 2 * rec.U8(nName + 0x40), 510u) << "the name would cross the first fixup";
            std::u16string strName = CraftedNames()[i].m_strOnVolume;
            b[nRecord + nName + 0x40] = static_cast<uint8_t>(strName.size());
            WriteUnits(b, nRecord + nName + 0x42, ntfsfix::Utf16(strName));
        }
    }
    WriteFileBytes(strImage, b);
}

// ---- FAT: the long-name slots of each placeholder rewritten.

constexpr size_t SLOT_CHARS[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

void CraftFat(const std::string& strImage)
{
    std::vector<uint8_t> b = ReadFileBytes(strImage);
    CFatGeometry g = static_cast<CFAT&>(*MemoryEngine(b, "FAT")).GetGeometry();
    CByteView root(b.data() + g.m_nRootStart * SECTOR_SIZE, g.m_nRootSectors * SECTOR_SIZE);
    for (size_t i = 0; i < CraftedNames().size(); ++i) {
        size_t nEntry = 0;
        while (nEntry < root.Size() && (root.U8(nEntry + 0x0B) == FAT_ATTR_LONG_NAME ||
                                        CFAT::GetLongName(root, nEntry) != Placeholder(i)))
            nEntry += 32;
        ASSERT_LT(nEntry, root.Size()) << Placeholder(i);
        std::u16string strName = CraftedNames()[i].m_strOnVolume;
        strName.resize(26, char16_t(0xFFFF));
        strName[CraftedNames()[i].m_strOnVolume.size()] = 0;  // the end of the name, then padding
        uint64_t nBase = g.m_nRootStart * SECTOR_SIZE;
        for (size_t k = 0; k < strName.size(); ++k) {
            uint64_t nSlot = nBase + nEntry - 32 * (1 + k / 13);
            b[nSlot + SLOT_CHARS[k % 13]] = static_cast<uint8_t>(strName[k] & 0xFF);
            b[nSlot + SLOT_CHARS[k % 13] + 1] = static_cast<uint8_t>(strName[k] >> 8);
        }
    }
    WriteFileBytes(strImage, b);
}

// Every file of the destination by name; fails on anything that is not a
// regular file or folder, or whose name is not a valid file name.
std::map<std::string, std::vector<uint8_t>> Written(const fsys::path& dest)
{
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& e : fsys::recursive_directory_iterator(dest)) {
        std::string strName = e.path().filename().string();
        EXPECT_TRUE(IsValidUtf8(strName) && strName.size() <= 255) << strName;
        EXPECT_TRUE(e.is_regular_file() && !e.is_symlink()) << strName;
        files[fsys::relative(e.path(), dest).string()] = ReadFileBytes(e.path().string());
    }
    return files;
}

void CheckDestination(const CTempDir& dir, const std::vector<uint8_t>& content)
{
    // Only what the test itself made lies beside the destination.
    for (const auto& e : fsys::directory_iterator(dir.Path())) {
        std::string strName = e.path().filename().string();
        EXPECT_TRUE(strName == "out" || strName == "volume.img" || strName == "stdout" || strName == "stderr" ||
                    strName == "src")
            << strName;
    }
    auto files = Written(dir.Path() / "out");
    EXPECT_EQ(files["same.txt"], std::vector<uint8_t>({'k', 'e', 'e', 'p'})) << "an existing file was replaced";
    for (const CCraftedName& name : CraftedNames()) {
        EXPECT_EQ(files[name.m_strWritten], content) << name.m_strWritten;
    }
    std::string strLong = LongName().substr(0, 236) + ".txt";
    EXPECT_EQ(files[strLong], content) << "the long name cut to 240 bytes";
    EXPECT_EQ(files.size(), CraftedNames().size() + 2) << "a file was lost or one too many written";
}

// The volume with the placeholders, its crafted copy in dir, and the
// destination holding a same.txt of its own.
std::string MakeCrafted(const CTempDir& dir, bool bNtfs, const std::vector<uint8_t>& content)
{
    std::string strImage = dir / "volume.img";
    std::string strSrc = dir / "src";
    WriteFileBytes(strSrc, content);
    std::string strMtools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 mcopy -i " + Quote(strImage) + " " + Quote(strSrc) + " ";
    std::string strNtfscp = "ntfscp -q " + Quote(strImage) + " " + Quote(strSrc) + " ";
    std::string strCmd = bNtfs ? "truncate -s 4M " + Quote(strImage) + " && mkntfs -F -q -f " + Quote(strImage) + " >/dev/null"
                               : "truncate -s 8M " + Quote(strImage) + " && mkfs.fat -F 16 -s 2 " + Quote(strImage) + " >/dev/null";
    for (size_t i = 0; i < CraftedNames().size(); ++i)
        strCmd += " && " + (bNtfs ? strNtfscp + Quote(Placeholder(i)) : strMtools + Quote("::/" + Placeholder(i)));
    strCmd += " && " + (bNtfs ? strNtfscp + Quote(LongName()) : strMtools + Quote("::/" + LongName()));
    MustRun(strCmd);
    if (bNtfs) CraftNtfs(strImage);
    else CraftFat(strImage);
    fsys::create_directory(dir.Path() / "out");
    WriteFileBytes(dir / "out/same.txt", {'k', 'e', 'e', 'p'});
    return strImage;
}

}  // namespace

TEST(OutputSafety, CraftedNtfsNamesStayInsideAndNeverReplace)
{
    if (!HaveTool("mkntfs") || !HaveTool("ntfscp") || !HaveTool("ifind")) GTEST_SKIP() << "needs ntfs-3g and sleuthkit";
    CTempDir dir("crafted-ntfs");
    std::vector<uint8_t> content = PatternBytes(5000, 3);
    std::string strImage = MakeCrafted(dir, true, content);
    CCliRun run = RunCli({"recover", strImage, "--to", dir / "out"}, dir);
    EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
    CheckDestination(dir, content);
}

TEST(OutputSafety, CraftedFatNamesStayInsideAndNeverReplace)
{
    if (!HaveTool("mkfs.fat") || !HaveTool("mcopy")) GTEST_SKIP() << "needs dosfstools and mtools";
    CTempDir dir("crafted-fat");
    std::vector<uint8_t> content = PatternBytes(5000, 4);
    std::string strImage = MakeCrafted(dir, false, content);
    std::string strMessages;
    EXPECT_EQ(ScanAndRecoverHere(strImage, "FAT", dir / "out", &strMessages), 0) << strMessages;
    CheckDestination(dir, content);
}
