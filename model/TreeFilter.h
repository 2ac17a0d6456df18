#pragma once
// Views of the result tree restricted to what the user asked for.

#include <functional>
#include <unordered_set>

#include "model/ResultTree.h"

// Whether an item is wanted; a wanted item brings its whole subtree along.
using CItemPredicate = std::function<bool(const CResultItem&)>;

// True when the item is deleted or something below it is.
bool HasDeletedItems(const CResultItem& item);
// The items below from (from itself included) that are not wanted but lie
// above a wanted item.
std::unordered_set<const CResultItem*> ItemsAboveWanted(const CResultItem& from, const CItemPredicate& isWanted);
// True when the item or an item above it is wanted: it shows with its branch.
bool IsInWantedBranch(const CResultItem& item, const CItemPredicate& isWanted);
// Copies below pTo the children of from that are wanted or lie above a
// wanted item, in tree order; everything below a wanted item comes along.
void CopyWantedBranches(const CResultItem& from, CResultItem* pTo, const CItemPredicate& isWanted);
// Copies the item and its whole subtree as a new last child of pTo.
CResultItem* CopySubtree(const CResultItem& from, CResultItem* pTo);
