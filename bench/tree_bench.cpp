// Tree building of a million synthetic entries: placement, sort and the
// lost-entry pass, against the baseline of merely creating the entries.
// Also reports memory per found entry and per tree item (peak RSS deltas).

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "model/TreeBuilder.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// Resident memory of this process in bytes.
uint64_t ResidentBytes()
{
    std::ifstream status("/proc/self/statm");
    uint64_t nPages = 0, nResident = 0;
    status >> nPages >> nResident;
    return nResident * 4096;
}

// A volume-like shape: 1000 folders of 1000 entries, names of 8-20 characters,
// a tenth deleted, a few hundred orphans whose parent is gone.
CFoundArray MakeEntries(size_t nCount)
{
    std::mt19937 gen(42);
    CFoundArray found;
    found.reserve(nCount);
    const size_t nFolders = nCount / 1000;
    for (size_t i = 0; i < nCount; ++i) {
        auto p = std::make_unique<CFoundEntry>();
        bool bFolder = i < nFolders;
        p->m_nStartRef = 27 + i;
        p->m_nParentRef = bFolder ? 5 : 27 + gen() % nFolders;
        if (!bFolder && i % 3000 == 0) p->m_nParentRef = 50000000 + i;  // orphan
        p->m_wFlags = static_cast<uint16_t>((bFolder ? 2 : 0) | (i % 10 == 0 ? 0 : 1));
        p->m_bDeleted = i % 10 == 0;
        p->m_nSize = gen() % 10000000;
        p->m_strName = (bFolder ? "Folder " : "IMG_") + std::to_string(i) + (bFolder ? "" : ".JPG");
        found.push_back(std::move(p));
    }
    return found;
}

}  // namespace

int main(int argc, char** argv)
{
    size_t nCount = argc > 1 ? std::stoul(argv[1]) : 1000000;
    uint64_t nBase = ResidentBytes();
    auto t0 = Clock::now();
    CFoundArray found = MakeEntries(nCount);
    auto t1 = Clock::now();
    uint64_t nAfterEntries = ResidentBytes();

    CResultTree tree;
    CResultItem* pDrive = tree.AddDrive("C");
    CTreeBuilder builder;
    auto t2 = Clock::now();
    builder.Build(found, 5, pDrive, true);
    auto t3 = Clock::now();
    found.clear();
    found.shrink_to_fit();
    uint64_t nAfterTree = ResidentBytes();

    double dMake = Seconds(t0, t1), dBuild = Seconds(t2, t3);
    std::printf("entries                 %zu\n", nCount);
    std::printf("tree items              %zu\n", pDrive->CountDescendants());
    std::printf("create entries (base)   %.3f s\n", dMake);
    std::printf("build tree              %.3f s   (%.2fx the baseline)\n", dBuild, dBuild / dMake);
    std::printf("memory per found entry  %.0f bytes\n",
                static_cast<double>(nAfterEntries - nBase) / static_cast<double>(nCount));
    std::printf("memory per tree item    %.0f bytes (after the entries were released; allocator may keep some)\n",
                static_cast<double>(nAfterTree > nBase ? nAfterTree - nBase : 0) / static_cast<double>(nCount));
    return 0;
}
