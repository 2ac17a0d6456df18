#pragma once
// Views of the result tree restricted to what the user asked for.

#include "model/ResultTree.h"

// True when the item is deleted or something below it is.
bool HasDeletedItems(const CResultItem& item);
// Copies below pTo the children of from that are deleted or lie above a
// deleted item; everything below a deleted folder comes along.
void CopyDeletedBranches(const CResultItem& from, CResultItem* pTo);
// Copies the item and its whole subtree as a new last child of pTo.
CResultItem* CopySubtree(const CResultItem& from, CResultItem* pTo);
