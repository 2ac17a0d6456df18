#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/mman.h>
#include <unistd.h>

#include "fs/TextCodec.h"
#include "model/TreeBuilder.h"
#include "recover/OutputNames.h"
#include "recover/RecoveryWalk.h"

namespace fsys = std::filesystem;

namespace fuzzsupport {

void Fail(const char* pszWhat)
{
    std::fprintf(stderr, "finding: %s\n", pszWhat);
    std::abort();
}

void Put(std::vector<uint8_t>& bytes, size_t nOffset, uint64_t nValue, size_t nBytes)
{
    for (size_t i = 0; i < nBytes && nOffset + i < bytes.size(); ++i)
        bytes[nOffset + i] = static_cast<uint8_t>(nValue >> (8 * i));
}

std::vector<uint8_t> MakeNtfsVolume(uint64_t nTotalBytes)
{
    std::vector<uint8_t> v(nTotalBytes);
    for (size_t i = NTFS_MFT_OFFSET + 64 * 1024; i < v.size(); ++i) v[i] = static_cast<uint8_t>(i * 7 + (i >> 12));
    std::fill(v.begin(), v.begin() + static_cast<ptrdiff_t>(NTFS_MFT_OFFSET + 64 * 1024), 0);
    std::copy_n("NTFS    ", 8, v.begin() + 3);
    Put(v, 0x0B, 512, 2);
    Put(v, 0x0D, 8, 1);
    Put(v, 0x28, nTotalBytes / 512, 8);
    Put(v, 0x30, NTFS_MFT_OFFSET / 4096, 8);
    Put(v, 0x40, 0xF6, 1);  // 2^10-byte records
    Put(v, 0x1FE, 0xAA55, 2);
    return v;
}

uint64_t FatClusterOffset(uint32_t nCluster) { return (41 + uint64_t{nCluster - 2} * 4) * 512; }

std::vector<uint8_t> MakeFat12Volume()
{
    std::vector<uint8_t> v(2048 * 512, 0);
    v[0] = 0xEB;
    v[1] = 0x3C;
    v[2] = 0x90;
    Put(v, 0x0B, 512, 2);
    Put(v, 0x0D, 4, 1);
    Put(v, 0x0E, 1, 2);     // reserved sectors
    Put(v, 0x10, 1, 1);     // one FAT
    Put(v, 0x11, 512, 2);   // root entries
    Put(v, 0x13, 2048, 2);
    Put(v, 0x15, 0xF8, 1);
    Put(v, 0x16, 8, 2);     // sectors per FAT
    std::copy_n("FAT12   ", 8, v.begin() + 0x36);
    Put(v, 0x1FE, 0xAA55, 2);
    Put(v, FAT_TABLE_OFFSET, 0xFFFFF8, 3);  // entries 0 and 1: media and end of chain
    return v;
}

namespace {

class CZeroTailSource final : public ISectorSource {
public:
    CZeroTailSource(const uint8_t* pData, size_t nLength, uint64_t nSize) : m_head(pData, pData + nLength), m_nSize(nSize) {}
    bool ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength) override
    {
        if (nOffset > m_nSize || nLength > m_nSize - nOffset) return false;
        auto* p = static_cast<uint8_t*>(pBuffer);
        std::memset(p, 0, nLength);
        if (nOffset < m_head.size()) std::memcpy(p, m_head.data() + nOffset, std::min<uint64_t>(nLength, m_head.size() - nOffset));
        return true;
    }
    uint64_t GetSize() const override { return m_nSize; }

private:
    std::vector<uint8_t> m_head;
    uint64_t m_nSize;
};

}  // namespace

std::unique_ptr<CFileSystem> ZeroTailEngine(const uint8_t* pData, size_t nLength, uint64_t nSize,
                                            const std::string& strFileSystem)
{
    return CreateFileSystem(2, strFileSystem,
                            std::make_unique<CSectorReader>(2, std::make_unique<CZeroTailSource>(pData, nLength, nSize)));
}

std::unique_ptr<CFileSystem> MemoryEngine(std::vector<uint8_t> bytes, const std::string& strFileSystem)
{
    return CreateFileSystem(2, strFileSystem,
                            std::make_unique<CSectorReader>(2, std::make_unique<CMemorySectorSource>(std::move(bytes))));
}

CResultItem* ScanIntoTree(CFileSystem& engine, CResultTree& tree, bool bFormattedMode)
{
    CResultItem* pDrive = tree.AddDrive("C");
    CNullScanProgress progress;
    engine.PrepareScan();
    engine.ScanDrive(2, &progress);
    std::unique_ptr<CFoundArray> pFound = engine.TakeFound();
    if (pFound) {
        for (const auto& pEntry : *pFound) Check(pEntry != nullptr, "null entry in a scan's results");
        CTreeBuilder builder;
        builder.Build(*pFound, engine.GetRootRef(), pDrive, bFormattedMode);
    }
    return pDrive;
}

void CheckOutputName(const std::string& strName)
{
    std::string strSafe = SanitizeName(strName);
    Check(!strSafe.empty() && strSafe != "." && strSafe != "..", "output name empty or a dot name");
    Check(strSafe.find('/') == std::string::npos && strSafe.find('\0') == std::string::npos,
          "output name holds a separator or NUL");
    Check(strSafe.size() <= 240, "output name longer than 240 bytes");
    Check(IsValidUtf8(strSafe), "output name is not valid UTF-8");
}

void CheckTreeNames(const CResultItem& item)
{
    for (size_t i = 0; i < item.GetChildCount(); ++i) {
        CheckOutputName(item.GetChild(i)->GetText());
        CheckTreeNames(*item.GetChild(i));
    }
}

namespace {

// One folder per process, so that parallel fuzzer jobs do not meet.
const fsys::path& ScratchRoot()
{
    static const fsys::path root = [] {
        fsys::path p = fsys::path("/dev/shm") / ("varnel-fuzz-" + std::to_string(::getpid()));
        fsys::create_directories(p);
        std::atexit([] { std::error_code ec; fsys::remove_all(ScratchRoot(), ec); });
        return p;
    }();
    return root;
}

void CheckWrittenNames(const fsys::path& dest)
{
    for (const auto& entry : fsys::recursive_directory_iterator(dest)) {
        std::string strName = entry.path().filename().string();
        Check(IsValidUtf8(strName) && strName.size() <= 255, "a written name is not valid UTF-8");
        Check(!entry.is_symlink(), "recovery made a symbolic link");
    }
}

}  // namespace

void RecoverEverything(CFileSystem& engine, const std::string& strFileSystem, const CResultItem& drive)
{
    const fsys::path& root = ScratchRoot();
    fsys::path dest = root / "out";
    std::error_code ec;
    fsys::remove_all(dest, ec);
    fsys::create_directory(dest);
    CNullRecoveryProgress progress;
    CRecoveryWalk walk(engine, strFileSystem, &progress);
    Check(walk.SetDestination(dest.string(), nullptr), "scratch folder refused");
    for (size_t i = 0; i < drive.GetChildCount(); ++i) walk.RecoverItem(*drive.GetChild(i));
    size_t nBeside = 0;
    for (const auto& entry : fsys::directory_iterator(root)) nBeside += entry.path() != dest;
    Check(nBeside == 0, "recovery wrote outside the chosen folder");
    CheckWrittenNames(dest);
    fsys::remove_all(dest, ec);
}

COutputFile MemoryOutput()
{
    int fd = ::memfd_create("varnel-fuzz-out", MFD_CLOEXEC);
    Check(fd >= 0, "memfd_create failed");
    return COutputFile(fd, "memory");
}

}  // namespace fuzzsupport
