#pragma once
// FAT fixture volumes for the tests: real volumes made with mkfs.fat and
// mtools (cached in the fixture folder), and byte-level boot sectors.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "disk/SectorSource.h"

namespace fatfix {

// How one real fixture volume is made.
struct CVolumeRecipe {
    std::string m_strName;     // cache name, also the test parameter's name
    int m_nFatBits = 16;       // mkfs.fat -F
    int m_nSectorsPerCluster = 4;
    int m_nBytesPerSector = 512;
    uint64_t m_nKiB = 8192;    // volume size
    bool m_bSmall = false;     // a floppy: fewer and smaller files
};

// One file of the standard content.
struct CFixtureFile {
    std::string m_strWritten;   // path given to mtools
    std::string m_strTreePath;  // path our tree shows (a deleted short name loses its first letter)
    std::vector<uint8_t> m_bytes;
    bool m_bDeleted = false;
};

// What the standard content left on a volume.
struct CVolumeContent {
    std::vector<CFixtureFile> m_files;
    std::vector<std::string> m_deletedFolders;  // tree paths
    uint64_t m_nClusterBytes = 0;
};

// The recipes the real-volume tests run over.
std::vector<CVolumeRecipe> StandardRecipes();
// The image for a recipe with the standard content, built on first use.
std::string StandardImage(const CVolumeRecipe& recipe);
// The content StandardImage puts on a volume of that recipe.
CVolumeContent StandardContent(const CVolumeRecipe& recipe);
// The same volume quick-formatted again by mkfs.fat (built on first use).
std::string ReformattedImage(const CVolumeRecipe& recipe);

// Runs an mtools command line (MTOOLS_SKIP_CHECK set); fails the test on error.
void Mtools(const std::string& strCommand);
// Writes bytes to a temporary file and mcopies it to strPath on the image.
void CopyIn(const std::string& strImage, const std::string& strPath, const std::vector<uint8_t>& bytes);

// A boot sector in memory, for byte-level geometry cases.
struct CBootLayout {
    bool m_bFat32 = false;
    uint16_t m_wBytesPerSector = 512;
    uint8_t m_bySectorsPerCluster = 4;
    uint16_t m_wReserved = 4;
    uint8_t m_byFats = 2;
    uint16_t m_wRootEntries = 512;
    uint16_t m_wTotal16 = 0;
    uint32_t m_dwTotal32 = 0;
    uint32_t m_dwSectorsPerFat = 200;
    uint32_t m_dwRootCluster = 2;
};
std::vector<uint8_t> MakeBootSector(const CBootLayout& layout);

// A source that holds a few bytes at its start, reads zeros elsewhere, and
// tells a given size (0: cannot tell). Stands in for large volumes.
class CSparseSource final : public ISectorSource {
public:
    CSparseSource(std::vector<uint8_t> head, uint64_t nSize) : m_head(std::move(head)), m_nSize(nSize) {}
    bool ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength) override;
    uint64_t GetSize() const override { return m_nSize; }

private:
    std::vector<uint8_t> m_head;
    uint64_t m_nSize;
};

// Counts the reads that reach an image file.
class CCountingSource final : public ISectorSource {
public:
    explicit CCountingSource(std::unique_ptr<ISectorSource> pInner) : m_pInner(std::move(pInner)) {}
    bool ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength) override
    {
        ++m_nReads;
        return m_pInner->ReadAt(nOffset, pBuffer, nLength);
    }
    uint64_t GetSize() const override { return m_pInner->GetSize(); }
    uint64_t m_nReads = 0;

private:
    std::unique_ptr<ISectorSource> m_pInner;
};

}  // namespace fatfix
