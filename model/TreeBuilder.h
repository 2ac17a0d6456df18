#pragma once
// Turns a scan's found entries into result items under a drive item: each
// entry goes under the folder whose start reference equals its parent
// reference, depth first, in discovery order within a folder.

#include <atomic>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "fs/FoundEntry.h"
#include "model/ResultTree.h"

class CTreeBuilder {
public:
    // The whole build: placement from nRootRef, the one-level sort of the
    // drive item's children, and in formatted mode the lost-entry pass.
    // Placed slots of the array are cleared; the rest stay for the caller.
    void Build(CFoundArray& found, uint64_t nRootRef, CResultItem* pDriveItem, bool bFormattedMode);

    // Places every unplaced entry whose parent is nParentRef under pParent,
    // and below each folder its own entries, unless the folder's reference is
    // on the current path or was expanded already.
    void PlaceEntries(uint64_t nParentRef, CResultItem* pParent);
    // Groups the entries placement left over under folders named by their
    // parent reference in 8 hex digits, as last children of pDriveItem.
    void PlaceOrphans(CResultItem* pDriveItem);

    // Starts a build over an array: indexes it by parent reference.
    void Begin(CFoundArray& found);
    void End();

    // Totals since the builder was made; every build adds to them.
    int64_t m_nFolderCount = 0;
    int64_t m_nFileCount = 0;
    // Items made by the current build (read by the progress poller).
    std::atomic<uint64_t> m_nItemsPlaced{0};
    // Slots of the array being built from.
    std::atomic<uint64_t> m_nEntryCount{0};

private:
    CResultItem* AddEntryItem(const CFoundEntry& entry, CResultItem* pParent);

    CFoundArray* m_pFound = nullptr;
    // Array positions of the entries of each parent reference, in array order.
    std::unordered_map<uint64_t, std::vector<uint32_t>> m_byParent;
    // References expanded so far; each is expanded at most once.
    std::unordered_set<uint64_t> m_expanded;
};
