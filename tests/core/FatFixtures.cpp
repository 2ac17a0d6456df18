#include "tests/core/FatFixtures.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/core/TestSupport.h"

using namespace testsupport;

namespace fatfix {

namespace {

// Bump when the content or the recipes change, so cached images are remade.
constexpr const char* FIXTURE_VERSION = "v3";

uint32_t Seed(const std::string& str) { return static_cast<uint32_t>(std::hash<std::string>{}(str)); }

std::vector<uint8_t> Bytes(const std::string& strPath, uint64_t nLength)
{
    return PatternBytes(static_cast<size_t>(nLength), Seed(strPath));
}

uint64_t ClusterBytes(const CVolumeRecipe& r) { return uint64_t(r.m_nSectorsPerCluster) * r.m_nBytesPerSector; }

int DocCount(const CVolumeRecipe& r) { return r.m_bSmall ? 12 : 40; }

std::string DocName(int i)
{
    char sz[64];
    std::snprintf(sz, sizeof sz, "Docs/Document number %02d with a long name.txt", i);
    return sz;
}

// Builds the image at strPath if it is missing; concurrent test processes
// each build their own copy and the first rename wins.
std::string Cached(const std::string& strName, const std::function<void(const std::string&)>& build)
{
    std::filesystem::path dir = std::filesystem::path(VARNEL_FIXTURE_DIR) / "fat";
    std::filesystem::create_directories(dir);
    std::string strPath = (dir / (strName + "-" + FIXTURE_VERSION + ".img")).string();
    if (std::filesystem::exists(strPath)) return strPath;
    std::string strTemp = strPath + ".tmp" + std::to_string(::getpid());
    std::filesystem::remove(strTemp);
    build(strTemp);
    if (!::testing::Test::HasFailure()) std::filesystem::rename(strTemp, strPath);
    return strPath;
}

}  // namespace

std::vector<CVolumeRecipe> StandardRecipes()
{
    return {
        {"fat12_floppy", 12, 1, 512, 1440, true},
        {"fat16_spc4", 16, 4, 512, 12 * 1024, false},
        {"fat16_spc64", 16, 64, 512, 136 * 1024, false},
        {"fat32_spc1", 32, 1, 512, 40 * 1024, false},
        {"fat16_4k_sectors", 16, 1, 4096, 20 * 1024, false},
    };
}

void Mtools(const std::string& strCommand) { MustRun("MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 " + strCommand); }

void CopyIn(const std::string& strImage, const std::string& strPath, const std::vector<uint8_t>& bytes)
{
    std::string strTemp = strImage + ".in";
    WriteFileBytes(strTemp, bytes);
    Mtools("mcopy -o -i " + Quote(strImage) + " " + Quote(strTemp) + " " + Quote("::/" + strPath));
    std::filesystem::remove(strTemp);
}

CVolumeContent StandardContent(const CVolumeRecipe& r)
{
    const uint64_t c = ClusterBytes(r);
    CVolumeContent content;
    content.m_nClusterBytes = c;
    auto Add = [&](const std::string& strPath, uint64_t nLength, bool bDeleted, std::string strTree = "") {
        content.m_files.push_back({strPath, strTree.empty() ? strPath : strTree, Bytes(strPath, nLength), bDeleted});
    };
    Add("A.BIN", 3 * c, false);
    Add("C.BIN", 2 * c, false);
    // Written into the two-cluster hole left by B.BIN, then on after C.BIN.
    Add("FRAG.BIN", 5 * c - 100, true, "RAG.BIN");
    Add("LIVEFRAG.BIN", 3 * c - 7, false);
    for (int i = 0; i < DocCount(r); ++i) Add(DocName(i), 100 + 37 * uint64_t(i), i >= DocCount(r) - 2);
    Add("Docs/Sub/Big.bin", 10 * c + 123, true);
    Add("Docs/Sub/Keep.txt", 777, false);
    Add("Gone/Gone1.txt", 1500, true);
    Add("Gone/Gone2.bin", 3 * c - 1, true);
    Add("SHORT.TXT", 900, true, "HORT.TXT");
    Add("Unicode Ünï 名前.txt", 300, false);
    Add("Délété ünï.txt", 2 * c + 5, true);
    Add("KEEP.TXT", 4000, false);
    content.m_deletedFolders = {"Gone"};
    return content;
}

std::string StandardImage(const CVolumeRecipe& r)
{
    return Cached(r.m_strName, [&](const std::string& strImage) {
        const uint64_t c = ClusterBytes(r);
        MustRun("mkfs.fat -C -F " + std::to_string(r.m_nFatBits) + " -s " + std::to_string(r.m_nSectorsPerCluster) +
                " -S " + std::to_string(r.m_nBytesPerSector) + " " + Quote(strImage) + " " + std::to_string(r.m_nKiB));
        CVolumeContent content = StandardContent(r);
        auto Put = [&](const std::string& strPath) {
            for (const CFixtureFile& f : content.m_files)
                if (f.m_strWritten == strPath) CopyIn(strImage, strPath, f.m_bytes);
        };
        std::string strI = "-i " + Quote(strImage) + " ";
        Put("A.BIN");
        CopyIn(strImage, "B.BIN", Bytes("B.BIN", 2 * c));
        Put("C.BIN");
        Mtools("mdel " + strI + "::/B.BIN");
        Put("FRAG.BIN");
        CopyIn(strImage, "D.BIN", Bytes("D.BIN", c));
        CopyIn(strImage, "E.BIN", Bytes("E.BIN", c));
        Mtools("mdel " + strI + "::/D.BIN");
        Put("LIVEFRAG.BIN");
        Mtools("mmd " + strI + "::/Docs ::/Docs/Sub ::/Gone");
        for (const CFixtureFile& f : content.m_files)
            if (f.m_strWritten != "A.BIN" && f.m_strWritten != "C.BIN" && f.m_strWritten != "FRAG.BIN" &&
                f.m_strWritten != "LIVEFRAG.BIN")
                Put(f.m_strWritten);
        // Deletions last, so that no later write reuses the freed clusters.
        Mtools("mdeltree " + strI + "::/Gone");
        for (const CFixtureFile& f : content.m_files)
            if (f.m_bDeleted && f.m_strWritten.rfind("Gone/", 0) != 0) Mtools("mdel " + strI + Quote("::/" + f.m_strWritten));
    });
}

std::string ReformattedImage(const CVolumeRecipe& r)
{
    std::string strSource = StandardImage(r);
    return Cached(r.m_strName + "-reformatted", [&](const std::string& strImage) {
        std::filesystem::copy_file(strSource, strImage);
        MustRun("mkfs.fat -F " + std::to_string(r.m_nFatBits) + " -s " + std::to_string(r.m_nSectorsPerCluster) +
                " -S " + std::to_string(r.m_nBytesPerSector) + " " + Quote(strImage));
    });
}

std::vector<uint8_t> MakeBootSector(const CBootLayout& s)
{
    std::vector<uint8_t> b(512, 0);
    auto Put16 = [&](size_t o, uint32_t v) { b[o] = uint8_t(v); b[o + 1] = uint8_t(v >> 8); };
    auto Put32 = [&](size_t o, uint32_t v) { Put16(o, v & 0xFFFF); Put16(o + 2, v >> 16); };
    b[0] = 0xEB; b[1] = 0x3C; b[2] = 0x90;
    std::memcpy(&b[3], "MSWIN4.1", 8);
    Put16(0x0B, s.m_wBytesPerSector);
    b[0x0D] = s.m_bySectorsPerCluster;
    Put16(0x0E, s.m_wReserved);
    b[0x10] = s.m_byFats;
    Put16(0x11, s.m_bFat32 ? 0 : s.m_wRootEntries);
    Put16(0x13, s.m_wTotal16);
    b[0x15] = 0xF8;
    Put32(0x20, s.m_dwTotal32);
    if (s.m_bFat32) {
        Put32(0x24, s.m_dwSectorsPerFat);
        Put32(0x2C, s.m_dwRootCluster);
        std::memcpy(&b[0x52], "FAT32   ", 8);
    } else {
        Put16(0x16, s.m_dwSectorsPerFat);
        std::memcpy(&b[0x36], "FAT16   ", 8);
    }
    b[510] = 0x55; b[511] = 0xAA;
    return b;
}

bool CSparseSource::ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength)
{
    if (m_nSize != 0 && (nOffset > m_nSize || nLength > m_nSize - nOffset)) return false;
    auto* p = static_cast<uint8_t*>(pBuffer);
    std::memset(p, 0, nLength);
    for (size_t i = 0; i < nLength && nOffset + i < m_head.size(); ++i) p[i] = m_head[nOffset + i];
    return true;
}

}  // namespace fatfix
