#include "tests/core/NtfsFixtures.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

#include "fs/FileTime.h"
#include "tests/core/TestSupport.h"

extern char** environ;

namespace fsys = std::filesystem;
using testsupport::PatternBytes;
using testsupport::Quote;
using testsupport::Run;

namespace ntfsfix {

// ---- byte-level -------------------------------------------------------------

namespace {

void Put(std::vector<uint8_t>& b, size_t nOffset, uint64_t nValue, size_t nBytes)
{
    if (b.size() < nOffset + nBytes) b.resize(nOffset + nBytes);
    for (size_t i = 0; i < nBytes; ++i) b[nOffset + i] = static_cast<uint8_t>(nValue >> (8 * i));
}

void Align8(std::vector<uint8_t>& b) { b.resize((b.size() + 7) & ~size_t{7}); }

std::vector<uint8_t> Resident(uint32_t nType, const std::vector<uint8_t>& value, uint16_t wId)
{
    std::vector<uint8_t> a(0x18, 0);
    Put(a, 0, nType, 4);
    Put(a, 0x0E, wId, 2);
    Put(a, 0x10, value.size(), 4);
    Put(a, 0x14, 0x18, 2);
    a.insert(a.end(), value.begin(), value.end());
    Align8(a);
    Put(a, 4, a.size(), 4);
    return a;
}

}  // namespace

std::vector<uint8_t> Utf16(const std::u16string& str)
{
    std::vector<uint8_t> b;
    for (char16_t c : str) {
        b.push_back(static_cast<uint8_t>(c & 0xFF));
        b.push_back(static_cast<uint8_t>(c >> 8));
    }
    return b;
}

std::vector<uint8_t> StandardInformation(size_t nValueLength)
{
    return Resident(0x10, std::vector<uint8_t>(nValueLength, 0), 0);
}

std::vector<uint8_t> FileNameAttr(uint64_t nParent, const std::u16string& strName, uint8_t nNameSpace,
                                  uint64_t nRealSize)
{
    std::vector<uint8_t> v(0x42, 0);
    Put(v, 0, nParent | (uint64_t{1} << 48), 8);
    Put(v, 0x28, (nRealSize + 4095) & ~uint64_t{4095}, 8);
    Put(v, 0x30, nRealSize, 8);
    v[0x40] = static_cast<uint8_t>(strName.size());
    v[0x41] = nNameSpace;
    std::vector<uint8_t> name = Utf16(strName);
    v.insert(v.end(), name.begin(), name.end());
    return Resident(0x30, v, 2);
}

std::vector<uint8_t> ResidentData(const std::vector<uint8_t>& value, uint16_t wId)
{
    return Resident(0x80, value, wId);
}

std::vector<uint8_t> NonResidentData(const std::vector<uint8_t>& runList, uint64_t nLowVcn, uint64_t nHighVcn,
                                     uint64_t nAllocated, uint64_t nReal, uint64_t nInitialized,
                                     uint8_t nCompressionUnit, uint16_t wFlags)
{
    size_t nRunOffset = nCompressionUnit ? 0x48 : 0x40;
    std::vector<uint8_t> a(nRunOffset, 0);
    Put(a, 0, 0x80, 4);
    a[8] = 1;
    Put(a, 0x0A, nRunOffset, 2);
    Put(a, 0x0C, wFlags, 2);
    Put(a, 0x0E, 4, 2);
    Put(a, 0x10, nLowVcn, 8);
    Put(a, 0x18, nHighVcn, 8);
    Put(a, 0x20, nRunOffset, 2);
    a[0x22] = nCompressionUnit;
    Put(a, 0x28, nAllocated, 8);
    Put(a, 0x30, nReal, 8);
    Put(a, 0x38, nInitialized, 8);
    a.insert(a.end(), runList.begin(), runList.end());
    a.push_back(0);
    Align8(a);
    Put(a, 4, a.size(), 4);
    return a;
}

std::vector<uint8_t> AttributeListAttr(const std::vector<uint8_t>& entries) { return Resident(0x20, entries, 5); }

std::vector<uint8_t> ListEntry(uint32_t nType, uint64_t nLowVcn, uint64_t nRecord)
{
    std::vector<uint8_t> e(0x20, 0);
    Put(e, 0, nType, 4);
    Put(e, 4, 0x20, 2);
    e[7] = 0x1A;
    Put(e, 8, nLowVcn, 8);
    Put(e, 0x10, nRecord | (uint64_t{1} << 48), 8);
    return e;
}

std::vector<uint8_t> Record(uint32_t nSize, uint16_t wFlags, uint32_t nNumber,
                            const std::vector<std::vector<uint8_t>>& attributes, uint64_t nBase)
{
    std::vector<uint8_t> r(nSize, 0);
    std::memcpy(r.data(), "FILE", 4);
    size_t nUsaCount = nSize / 512 + 1;
    Put(r, 0x04, 0x30, 2);
    Put(r, 0x06, nUsaCount, 2);
    Put(r, 0x10, 1, 2);
    Put(r, 0x12, 1, 2);
    size_t nFirst = (0x30 + 2 * nUsaCount + 7) & ~size_t{7};
    Put(r, 0x14, nFirst, 2);
    Put(r, 0x16, wFlags, 2);
    Put(r, 0x1C, nSize, 4);
    Put(r, 0x20, nBase ? (nBase | (uint64_t{1} << 48)) : 0, 8);
    Put(r, 0x2C, nNumber, 4);
    size_t nPos = nFirst;
    for (const auto& a : attributes) {
        if (nPos + a.size() + 8 > nSize) break;
        std::memcpy(r.data() + nPos, a.data(), a.size());
        nPos += a.size();
    }
    Put(r, nPos, 0xFFFFFFFF, 4);
    Put(r, 0x18, nPos + 8, 4);
    // The update sequence: each stride's last two bytes move into the array.
    const uint16_t wSequence = 0x0007;
    Put(r, 0x30, wSequence, 2);
    for (size_t i = 1; i < nUsaCount; ++i) {
        size_t nEnd = i * 512 - 2;
        r[0x30 + 2 * i] = r[nEnd];
        r[0x30 + 2 * i + 1] = r[nEnd + 1];
        Put(r, nEnd, wSequence, 2);
    }
    return r;
}

std::vector<uint8_t> RunList(const std::vector<std::pair<uint64_t, int64_t>>& runs)
{
    auto SignedBytes = [](int64_t v) {
        int n = 1;
        while (n < 8 && !(v >= -(int64_t{1} << (8 * n - 1)) && v < (int64_t{1} << (8 * n - 1)))) ++n;
        return n;
    };
    std::vector<uint8_t> b;
    int64_t nPrev = 0;
    for (const auto& [nLength, nLcn] : runs) {
        int nLen = SignedBytes(static_cast<int64_t>(nLength));
        int nOff = nLcn < 0 ? 0 : SignedBytes(nLcn - nPrev);
        b.push_back(static_cast<uint8_t>(nLen | (nOff << 4)));
        for (int i = 0; i < nLen; ++i) b.push_back(static_cast<uint8_t>(nLength >> (8 * i)));
        if (nLcn >= 0) {
            uint64_t nDelta = static_cast<uint64_t>(nLcn - nPrev);
            for (int i = 0; i < nOff; ++i) b.push_back(static_cast<uint8_t>(nDelta >> (8 * i)));
            nPrev = nLcn;
        }
    }
    return b;
}

void CImage::SetRecord(uint64_t n, const std::vector<uint8_t>& record)
{
    std::memcpy(bytes.data() + MftOffset() + n * nRecordSize, record.data(), record.size());
}

void CImage::SetCluster(uint64_t nCluster, const std::vector<uint8_t>& data)
{
    std::memcpy(bytes.data() + nCluster * ClusterSize(), data.data(), data.size());
}

CImage MakeImage(uint64_t nTotalBytes, CImage img, bool bNoRecord0)
{
    img.bytes.assign(nTotalBytes, 0);
    auto& b = img.bytes;
    b[0] = 0xEB;
    b[1] = 0x52;
    b[2] = 0x90;
    std::memcpy(b.data() + 3, "NTFS    ", 8);
    Put(b, 0x0B, img.nBytesPerSector, 2);
    b[0x0D] = static_cast<uint8_t>(img.nSectorsPerCluster);
    Put(b, 0x28, nTotalBytes / img.nBytesPerSector - 1, 8);
    Put(b, 0x30, img.nMftCluster, 8);
    Put(b, 0x38, 2, 8);
    int nShift = 0;
    while ((1u << nShift) < img.nRecordSize) ++nShift;
    b[0x40] = static_cast<uint8_t>(-nShift);
    b[0x1FE] = 0x55;
    b[0x1FF] = 0xAA;
    if (!bNoRecord0) {
        uint64_t nBytes = img.nMftRecords * img.nRecordSize;
        uint64_t nClusters = (nBytes + img.ClusterSize() - 1) / img.ClusterSize();
        auto data = NonResidentData(RunList({{nClusters, static_cast<int64_t>(img.nMftCluster)}}), 0, nClusters - 1,
                                    nClusters * img.ClusterSize(), nBytes, nBytes);
        img.SetRecord(0, Record(img.nRecordSize, 1, 0, {StandardInformation(), FileNameAttr(5, u"$MFT"), data}));
    }
    return img;
}

// ---- real volumes -----------------------------------------------------------

const std::vector<CTimedFile>& TimedFiles()
{
    // 2019-07-04 10:20:30.1234567 and neighbours, to the tick; the sparse
    // file is 4 GiB and a little, too big for FAT.
    constexpr uint64_t T = 132067152301234567ull;
    constexpr uint64_t DAY = 864000000000ull;
    static const std::vector<CTimedFile> files = {
        {"Dated/tiny.txt", 30, T - 400 * DAY + 1, T + 1, T + 2 * DAY + 7, false},
        {"Dated/report.txt", 70000, T - 30 * DAY + 9999999, T + 5555555, T + 3 * DAY, false},
        {"Dated/gone.txt", 20000, T - 1000 * DAY, T - 999 * DAY + 3, T - 998 * DAY + 4, true},
        {"Dated/gone-tiny.txt", 12, T - 5 * DAY + 11, T - 4 * DAY + 12, T - 3 * DAY + 13, true},
        {"Dated/huge.bin", (uint64_t{4} << 30) + 4096, T - 2 * DAY, T - DAY, T, false},
    };
    return files;
}

namespace {

constexpr const char* RECIPE_VERSION = "v3";

std::string Root() { return std::string(VARNEL_FIXTURE_DIR) + "/ntfs"; }

// ntfs-3g in the foreground, so that its exit (after unmount) says the image is complete.
class CMount {
public:
    CMount(const std::string& strImage, const std::string& strMount, const std::string& strOptions)
        : m_strMount(strMount)
    {
        fsys::create_directories(strMount);
        std::string strOpt = "no_detach" + (strOptions.empty() ? std::string() : "," + strOptions);
        std::vector<std::string> args = {"ntfs-3g", "-o", strOpt, strImage, strMount};
        std::vector<char*> argv;
        for (auto& s : args) argv.push_back(s.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        int nError = posix_spawnp(&m_pid, "ntfs-3g", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (nError != 0) {
            m_pid = -1;
            return;
        }
        for (int i = 0; i < 500 && !m_bMounted; ++i) {
            struct statfs st {};
            if (::statfs(strMount.c_str(), &st) == 0 && st.f_type == 0x65735546) m_bMounted = true;
            else std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~CMount() { Unmount(); }
    bool Mounted() const { return m_bMounted; }
    bool Unmount()
    {
        if (m_pid < 0) return false;
        if (m_bMounted) Run("umount " + Quote(m_strMount));
        int nStatus = 0;
        ::waitpid(m_pid, &nStatus, 0);
        m_pid = -1;
        bool bOk = m_bMounted && WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
        m_bMounted = false;
        return bOk;
    }

private:
    std::string m_strMount;
    pid_t m_pid = -1;
    bool m_bMounted = false;
};

// File operations through the mount, remembering what deleted files held.
class CMaker {
public:
    CMaker(std::string strMount, CVolume& volume) : m_strMount(std::move(strMount)), m_volume(volume) {}

    std::string At(const std::string& strPath) const { return m_strMount + "/" + strPath; }
    void Mkdir(const std::string& strPath) { fsys::create_directories(At(strPath)); }
    void Write(const std::string& strPath, const std::vector<uint8_t>& bytes, bool bAppend = false)
    {
        std::ofstream out(At(strPath), std::ios::binary | (bAppend ? std::ios::app : std::ios::trunc));
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("write failed: " + strPath);
    }
    // Data at nOffset of a new file, leaving a hole before it.
    void WriteAt(const std::string& strPath, uint64_t nOffset, const std::vector<uint8_t>& bytes)
    {
        int fd = ::open(At(strPath).c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd < 0 || ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(nOffset)) < 0)
            throw std::runtime_error("pwrite failed: " + strPath);
        ::close(fd);
    }
    void Truncate(const std::string& strPath, uint64_t nSize) { fsys::resize_file(At(strPath), nSize); }
    // Times as the driver sets them: access and modification through
    // utimensat, creation through ntfs-3g's crtime attribute.
    void SetTimes(const std::string& strPath, uint64_t nCreate, uint64_t nModify, uint64_t nAccess)
    {
        struct timespec times[2] = {FileTimeToTimespec(nAccess), FileTimeToTimespec(nModify)};
        if (::utimensat(AT_FDCWD, At(strPath).c_str(), times, 0) != 0 ||
            ::setxattr(At(strPath).c_str(), "system.ntfs_crtime", &nCreate, sizeof nCreate, 0) != 0)
            throw std::runtime_error("cannot set the times of " + strPath);
    }
    // Writes the file until the volume is full.
    void Fill(const std::string& strPath)
    {
        std::ofstream out(At(strPath), std::ios::binary);
        std::vector<uint8_t> block = PatternBytes(1 << 16, 77);
        while (out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size())))
            ;
    }
    // Sets the compressed attribute of a folder: files made in it are compressed.
    void Compress(const std::string& strPath)
    {
        uint8_t v[4];
        if (::getxattr(At(strPath).c_str(), "system.ntfs_attrib_be", v, 4) != 4)
            throw std::runtime_error("no ntfs_attrib on " + strPath);
        v[2] |= 0x08;
        if (::setxattr(At(strPath).c_str(), "system.ntfs_attrib_be", v, 4, 0) != 0)
            throw std::runtime_error("cannot set compression on " + strPath);
    }
    // Deletes a file or a folder with its content; bRemember keeps the bytes of
    // every file so deleted, as read back through the driver.
    void Delete(const std::string& strPath, bool bRemember = true)
    {
        if (bRemember) Remember(strPath);
        fsys::remove_all(At(strPath));
    }

private:
    void Remember(const std::string& strPath)
    {
        if (fsys::is_directory(At(strPath))) {
            for (const auto& e : fsys::directory_iterator(At(strPath)))
                Remember(strPath + "/" + e.path().filename().string());
            return;
        }
        m_volume.m_deleted[strPath] = testsupport::ReadFileBytes(At(strPath));
    }
    std::string m_strMount;
    CVolume& m_volume;
};

struct CRecipe {
    uint32_t nSizeMiB;
    std::string strMkntfs;                 // options beside -F -q -f
    std::string strMount;                  // extra mount options
    std::function<void(CMaker&)> build;
    std::string strAfter;                  // shell command run on the image ({} = image) after unmount
};

std::vector<uint8_t> Text(size_t nLength, uint32_t nSeed)
{
    std::string s;
    for (uint32_t i = 0; s.size() < nLength; ++i) s += "line " + std::to_string(i + nSeed) + " of a text file\n";
    return std::vector<uint8_t>(s.begin(), s.begin() + static_cast<ptrdiff_t>(nLength));
}

void BuildBasic(CMaker& m)
{
    m.Write("readme.txt", Text(120, 1));
    m.Mkdir("Docs");
    m.Write("Docs/report.bin", PatternBytes(200000, 2));
    m.Write("Docs/big.bin", PatternBytes(150000, 3));
    m.Write("notes.txt", Text(300, 4));
    m.Mkdir("Trip/sub");
    m.Write("Trip/beach.jpg", PatternBytes(40000, 5));
    m.Write("Trip/sub/list.txt", Text(90, 6));
    m.Write("Café.txt", Text(5000, 7));
    m.Mkdir("Résumé");
    m.Write("Résumé/Ünïcödé.txt", Text(2500, 8));
    m.Write("中文文件.txt", Text(700, 9));
    m.Write("𝄞music.txt", Text(50, 10));
    // Sparse: data, a hole of 1 MiB, data.
    m.WriteAt("sparse.bin", 0, PatternBytes(8192, 11));
    m.WriteAt("sparse.bin", 8192 + (1 << 20), PatternBytes(5000, 12));
    // Two files grown in turn lie in interleaved fragments.
    for (uint32_t i = 0; i < 12; ++i) {
        m.Write("frag1.bin", PatternBytes(8192, 100 + i), true);
        m.Write("frag2.bin", PatternBytes(8192, 200 + i), true);
    }
    m.Mkdir("Many");
    for (int i = 0; i < 300; ++i) m.Write("Many/file" + std::to_string(i) + ".dat", Text(static_cast<size_t>(50 + i * 7), i));
    m.Delete("notes.txt");
    m.Delete("Docs/big.bin");
    m.Delete("Trip");
    m.Delete("Café.txt");
    m.Delete("Résumé");
    m.Delete("中文文件.txt");
    m.Delete("𝄞music.txt");
    m.Delete("sparse.bin");
    m.Delete("frag1.bin");
    for (int i = 0; i < 300; i += 3) m.Delete("Many/file" + std::to_string(i) + ".dat");
}

void BuildSmall(CMaker& m)
{
    m.Mkdir("Keep");
    m.Write("Keep/live.txt", Text(3000, 20));
    m.Mkdir("Gone/Inner");
    m.Write("Gone/photo.jpg", PatternBytes(70000, 21));
    m.Write("Gone/Inner/tiny.txt", Text(40, 22));
    m.Write("Gone/Inner/mid.bin", PatternBytes(9000, 23));
    m.Write("loose.bin", PatternBytes(33333, 24));
    m.Delete("Gone");
    m.Delete("loose.bin");
}

void BuildMftFragments(CMaker& m)
{
    // Fill the volume, free every other file, then let the MFT grow into the holes.
    m.Mkdir("fill");
    int nFiles = 0;
    try {
        for (; nFiles < 4000; ++nFiles) m.Write("fill/f" + std::to_string(nFiles), PatternBytes(16384, 1000 + nFiles));
    } catch (const std::exception&) {
    }
    for (int i = 0; i < nFiles; i += 2) m.Delete("fill/f" + std::to_string(i), false);
    m.Mkdir("made");
    for (int i = 0; i < 900; ++i) m.Write("made/n" + std::to_string(i) + ".txt", Text(static_cast<size_t>(20 + i % 200), i));
    for (int i = 0; i < 900; i += 50) m.Delete("made/n" + std::to_string(i) + ".txt");
}

void BuildBeforeFormat(CMaker& m)
{
    m.Mkdir("Old");
    for (int i = 0; i < 120; ++i) m.Write("Old/o" + std::to_string(i) + ".txt", Text(static_cast<size_t>(30 + i), i));
    for (int i = 0; i < 120; i += 4) m.Delete("Old/o" + std::to_string(i) + ".txt");
}

void BuildCompressed(CMaker& m)
{
    m.Mkdir("Packed");
    m.Compress("Packed");
    m.Write("Packed/log.txt", Text(150000, 30));
    m.Write("Packed/mixed.bin", PatternBytes(70000, 31));
    std::vector<uint8_t> half = Text(40000, 32);
    std::vector<uint8_t> noise = PatternBytes(40000, 33);
    half.insert(half.end(), noise.begin(), noise.end());
    m.Write("Packed/half.bin", half);
    m.Delete("Packed/log.txt");
    m.Delete("Packed/mixed.bin");
    m.Delete("Packed/half.bin");
}

void BuildTimes(CMaker& m)
{
    m.Mkdir("Dated");
    for (const CTimedFile& f : TimedFiles()) {
        if (f.m_nSize > (1u << 20)) m.WriteAt(f.m_strPath, f.m_nSize - 4096, PatternBytes(4096, 40));
        else m.Write(f.m_strPath, Text(f.m_nSize, 41));
    }
    // Times last, deletions after them: nothing touches a file once dated.
    for (const CTimedFile& f : TimedFiles()) m.SetTimes(f.m_strPath, f.m_nCreateTime, f.m_nModifyTime, f.m_nAccessTime);
    for (const CTimedFile& f : TimedFiles())
        if (f.m_bDeleted) m.Delete(f.m_strPath, false);
    // The folder's own times, as "tiny.txt" has them.
    const CTimedFile& first = TimedFiles()[0];
    m.SetTimes("Dated", first.m_nCreateTime, first.m_nModifyTime, first.m_nAccessTime);
}

void BuildReuse(CMaker& m)
{
    // A full volume: what is freed is the only space later files can take.
    m.Write("head.bin", PatternBytes(81920, 50));
    m.Write("middle.bin", PatternBytes(409600, 51));
    m.Write("kept.bin", PatternBytes(100000, 52));
    m.Write("tiny.txt", Text(40, 53));
    m.Fill("fill.bin");
    m.Delete("head.bin", false);
    m.Delete("middle.bin", false);
    m.Delete("tiny.txt", false);
    // Takes all of head.bin's clusters and the first part of middle.bin's.
    m.Write("later.bin", PatternBytes(286720, 54));
    m.Delete("kept.bin", false);
}

const std::map<std::string, CRecipe>& Recipes()
{
    static const std::map<std::string, CRecipe> recipes = {
        {"basic", {12, "", "", BuildBasic, ""}},
        {"sector4k", {8, "-s 4096", "", BuildSmall, ""}},
        {"cluster512", {8, "-c 512", "", BuildSmall, ""}},
        {"mftfrag", {8, "", "", BuildMftFragments, ""}},
        {"quickformat", {8, "", "", BuildBeforeFormat, "mkntfs -F -q -f {} >/dev/null 2>&1"}},
        {"compressed", {8, "", "compression", BuildCompressed, ""}},
        {"times", {8, "", "noatime", BuildTimes, ""}},
        {"reuse", {8, "", "", BuildReuse, ""}},
    };
    return recipes;
}

void SaveDeleted(const CVolume& v, const std::string& strDir)
{
    for (const auto& [strPath, bytes] : v.m_deleted) {
        fsys::create_directories(fsys::path(strDir + "/" + strPath).parent_path());
        testsupport::WriteFileBytes(strDir + "/" + strPath, bytes);
    }
}

void LoadDeleted(CVolume& v, const std::string& strDir)
{
    for (const auto& e : fsys::recursive_directory_iterator(strDir))
        if (e.is_regular_file())
            v.m_deleted[fsys::relative(e.path(), strDir).string()] = testsupport::ReadFileBytes(e.path().string());
}

void Build(const std::string& strName, const CRecipe& recipe, CVolume& v)
{
    std::string strBase = Root() + "/" + strName + "-" + RECIPE_VERSION;
    std::string strTmp = strBase + ".tmp";
    fsys::remove_all(strTmp);
    fsys::create_directories(strTmp);
    std::string strImage = strTmp + "/image.img";
    std::string strOut;
    if (Run("truncate -s " + std::to_string(recipe.nSizeMiB) + "M " + Quote(strImage) + " && mkntfs -F -q -f " +
                recipe.strMkntfs + " " + Quote(strImage), &strOut) != 0) {
        v.m_strError = "mkntfs: " + strOut;
        return;
    }
    {
        CMount mount(strImage, strTmp + "/mnt", recipe.strMount);
        if (!mount.Mounted()) {
            v.m_strError = "ntfs-3g could not mount " + strImage;
            return;
        }
        CMaker maker(strTmp + "/mnt", v);
        try {
            recipe.build(maker);
        } catch (const std::exception& e) {
            v.m_strError = e.what();
        }
        if (!mount.Unmount() && v.m_strError.empty()) v.m_strError = "ntfs-3g did not unmount cleanly";
    }
    if (!v.m_strError.empty()) return;
    if (!recipe.strAfter.empty()) {
        std::string strCommand = recipe.strAfter;
        strCommand.replace(strCommand.find("{}"), 2, Quote(strImage));
        if (Run(strCommand, &strOut) != 0) {
            v.m_strError = strCommand + ": " + strOut;
            return;
        }
    }
    SaveDeleted(v, strTmp + "/deleted");
    fsys::remove_all(strTmp + "/mnt");
    fsys::remove_all(strBase);
    fsys::rename(strTmp, strBase);
}

}  // namespace

bool CanMakeVolumes()
{
    return testsupport::HaveTool("mkntfs") && testsupport::HaveTool("ntfs-3g") && ::access("/dev/fuse", R_OK | W_OK) == 0;
}

const CVolume& Volume(const std::string& strRecipe)
{
    static std::mutex mutex;
    static std::map<std::string, CVolume> volumes;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = volumes.find(strRecipe);
    if (it != volumes.end()) return it->second;
    CVolume& v = volumes[strRecipe];
    auto recipe = Recipes().find(strRecipe);
    if (recipe == Recipes().end()) {
        v.m_strError = "no recipe " + strRecipe;
        return v;
    }
    fsys::create_directories(Root());
    // Test processes run side by side; one builds, the others wait and reuse.
    int fdLock = ::open((Root() + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fdLock >= 0) ::flock(fdLock, LOCK_EX);
    std::string strBase = Root() + "/" + strRecipe + "-" + RECIPE_VERSION;
    if (!fsys::exists(strBase + "/image.img")) Build(strRecipe, recipe->second, v);
    if (v.m_strError.empty() && fsys::exists(strBase + "/image.img")) {
        v.m_deleted.clear();
        if (fsys::exists(strBase + "/deleted")) LoadDeleted(v, strBase + "/deleted");
        v.m_strImage = strBase + "/image.img";
        v.m_bOk = true;
    }
    if (fdLock >= 0) ::close(fdLock);
    return v;
}

}  // namespace ntfsfix
