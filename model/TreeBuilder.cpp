#include "model/TreeBuilder.h"

void CTreeBuilder::Begin(CFoundArray& found)
{
    m_pFound = &found;
    m_byParent.clear();
    m_expanded.clear();
    m_nItemsPlaced = 0;
    m_nEntryCount = found.size();
    m_byParent.reserve(found.size() / 4 + 1);
    for (size_t i = 0; i < found.size(); ++i)
        if (found[i]) m_byParent[found[i]->m_nParentRef].push_back(static_cast<uint32_t>(i));
}

void CTreeBuilder::End()
{
    m_pFound = nullptr;
    m_byParent.clear();
    m_expanded.clear();
}

void CTreeBuilder::Build(CFoundArray& found, uint64_t nRootRef, CResultItem* pDriveItem, bool bFormattedMode)
{
    Begin(found);
    PlaceEntries(nRootRef, pDriveItem);
    pDriveItem->SortChildren();
    if (bFormattedMode) PlaceOrphans(pDriveItem);
    End();
}

CResultItem* CTreeBuilder::AddEntryItem(const CFoundEntry& entry, CResultItem* pParent)
{
    bool bFolder = entry.IsFolder();
    uint8_t nImage = bFolder ? (entry.m_bDeleted ? IMAGE_DELETED_FOLDER : IMAGE_FOLDER)
                             : (entry.m_bDeleted ? IMAGE_DELETED_FILE : IMAGE_FILE);
    CResultItem* pItem = pParent->AppendChild(ItemTextForEntry(entry.m_bDeleted, entry.m_strName), nImage);
    CTreeItemData data = CTreeItemData::ForEntry(entry.m_nParentRef, entry.m_nStartRef, entry.m_nSize);
    data.m_nCreateTime = entry.m_nCreateTime;
    data.m_nModifyTime = entry.m_nModifyTime;
    data.m_nAccessTime = entry.m_nAccessTime;
    data.m_nState = entry.m_nState;
    pItem->SetItemData(data);
    m_nItemsPlaced.fetch_add(1, std::memory_order_relaxed);
    return pItem;
}

void CTreeBuilder::PlaceEntries(uint64_t nParentRef, CResultItem* pParent)
{
    // Depth first with an explicit stack: a volume may nest folders deeper
    // than the call stack could follow.
    struct CFrame {
        const std::vector<uint32_t>* pSlots;
        size_t k;
        CResultItem* pParent;
    };
    std::vector<CFrame> stack;
    auto Enter = [&](uint64_t nRef, CResultItem* pItem) {
        // A reference is expanded once: a folder that names an ancestor (or
        // itself), or shares a reference already expanded, gets its item but
        // no second copy of those contents.
        if (!m_expanded.insert(nRef).second) return;
        auto it = m_byParent.find(nRef);
        if (it != m_byParent.end()) stack.push_back({&it->second, 0, pItem});
    };
    m_expanded.erase(nParentRef);
    Enter(nParentRef, pParent);
    while (!stack.empty()) {
        CFrame& frame = stack.back();
        if (frame.k == frame.pSlots->size()) {
            stack.pop_back();
            continue;
        }
        std::unique_ptr<CFoundEntry>& pSlot = (*m_pFound)[(*frame.pSlots)[frame.k++]];
        if (!pSlot) continue;
        std::unique_ptr<CFoundEntry> pEntry = std::move(pSlot);  // the slot is cleared once placed
        CResultItem* pOwner = frame.pParent;
        if (pEntry->IsFolder()) {
            ++m_nFolderCount;
            Enter(pEntry->m_nStartRef, AddEntryItem(*pEntry, pOwner));  // may grow the stack: frame is stale now
        } else {
            ++m_nFileCount;
            AddEntryItem(*pEntry, pOwner);
        }
    }
}

void CTreeBuilder::PlaceOrphans(CResultItem* pDriveItem)
{
    CFoundArray& found = *m_pFound;
    for (size_t i = 0; i < found.size(); ++i) {
        if (!found[i]) continue;
        uint64_t nParentRef = found[i]->m_nParentRef;
        char szName[24];
        std::snprintf(szName, sizeof szName, "%08llX", static_cast<unsigned long long>(nParentRef));
        CResultItem* pGroup = pDriveItem->AppendChild(szName, IMAGE_FOLDER);
        pGroup->SetItemData(CTreeItemData::ForGroup(nParentRef, found[i]->m_nSize));
        m_nItemsPlaced.fetch_add(1, std::memory_order_relaxed);
        // The entries of this parent that are still unplaced go under the group.
        PlaceEntries(nParentRef, pGroup);
    }
}
