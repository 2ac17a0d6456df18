#include "model/TreeFilter.h"

#include <unordered_set>
#include <vector>

bool HasDeletedItems(const CResultItem& item)
{
    // Iterative: trees from damaged volumes can be very deep.
    std::vector<const CResultItem*> pending{&item};
    while (!pending.empty()) {
        const CResultItem* p = pending.back();
        pending.pop_back();
        if (p->IsDeleted()) return true;
        for (size_t i = 0; i < p->GetChildCount(); ++i) pending.push_back(p->GetChild(i));
    }
    return false;
}

static CResultItem* CopyItem(const CResultItem& from, CResultItem* pTo)
{
    CResultItem* pCopy = pTo->AppendChild(from.GetText(), from.GetImage());
    if (const CTreeItemData* pData = from.GetItemData()) pCopy->SetItemData(*pData);
    return pCopy;
}

CResultItem* CopySubtree(const CResultItem& from, CResultItem* pTo)
{
    CResultItem* pTop = CopyItem(from, pTo);
    std::vector<std::pair<const CResultItem*, CResultItem*>> pending{{&from, pTop}};
    while (!pending.empty()) {
        auto [pFrom, pCopy] = pending.back();
        pending.pop_back();
        for (size_t i = 0; i < pFrom->GetChildCount(); ++i)
            pending.push_back({pFrom->GetChild(i), CopyItem(*pFrom->GetChild(i), pCopy)});
    }
    return pTop;
}

std::unordered_set<const CResultItem*> ItemsAboveWanted(const CResultItem& from, const CItemPredicate& isWanted)
{
    // Post order: an item is known to lead somewhere once its children are seen.
    std::unordered_set<const CResultItem*> leads;
    std::vector<std::pair<const CResultItem*, bool>> walk{{&from, false}};
    while (!walk.empty()) {
        auto [p, bVisited] = walk.back();
        walk.pop_back();
        if (!bVisited) {
            walk.push_back({p, true});
            // Below a wanted item everything shows anyway.
            if (p == &from || !isWanted(*p))
                for (size_t i = 0; i < p->GetChildCount(); ++i) walk.push_back({p->GetChild(i), false});
        } else if (p != &from && (leads.count(p) || isWanted(*p))) {
            leads.insert(p->GetParent());
        }
    }
    return leads;
}

bool IsInWantedBranch(const CResultItem& item, const CItemPredicate& isWanted)
{
    for (const CResultItem* p = &item; p; p = p->GetParent())
        if (isWanted(*p)) return true;
    return false;
}

void CopyWantedBranches(const CResultItem& from, CResultItem* pTo, const CItemPredicate& isWanted)
{
    // The items that lead to wanted ones; then a depth-first copy in tree
    // order takes those and every wanted subtree.
    std::unordered_set<const CResultItem*> leads = ItemsAboveWanted(from, isWanted);
    struct CFrame {
        const CResultItem* pFrom;
        CResultItem* pCopy;
        size_t nNext;
    };
    std::vector<CFrame> stack{{&from, pTo, 0}};
    while (!stack.empty()) {
        CFrame& frame = stack.back();
        if (frame.nNext == frame.pFrom->GetChildCount()) {
            stack.pop_back();
            continue;
        }
        const CResultItem& child = *frame.pFrom->GetChild(frame.nNext++);
        if (isWanted(child)) CopySubtree(child, frame.pCopy);
        else if (leads.count(&child)) stack.push_back({&child, CopyItem(child, frame.pCopy), 0});
    }
}
