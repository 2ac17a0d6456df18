#pragma once
// Paths of result items: the address bar's form ("C:\Folder\File.txt") and the
// CLI's form relative to the drive ("Folder/File.txt").

#include <string>

#include "model/ResultTree.h"

// "C:\" for a drive item, "C:\A\B" below it; empty for the root.
std::string ItemAddress(const CResultItem* pItem);
// Item texts from the drive's top level joined by "/"; empty for a drive or the root.
std::string ItemRelativePath(const CResultItem* pItem);
// The item at a relative path below a drive item; null when there is none.
// The first child with each name is taken, as the address bar does.
const CResultItem* FindItemByRelativePath(const CResultItem* pDrive, const std::string& strPath);
