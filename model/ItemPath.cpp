#include "model/ItemPath.h"

#include <vector>

std::string ItemAddress(const CResultItem* pItem)
{
    if (!pItem || pItem->IsRoot()) return "";
    if (pItem->IsDrive()) return pItem->GetText() + ":\\";
    std::vector<const CResultItem*> chain;
    for (const CResultItem* p = pItem; p && !p->IsRoot(); p = p->GetParent()) chain.push_back(p);
    std::string strAddress;
    for (size_t i = chain.size(); i-- > 0;) {
        strAddress += chain[i]->GetText();
        if (i > 0) strAddress += chain[i]->IsDrive() ? ":\\" : "\\";
    }
    return strAddress;
}

std::string ItemRelativePath(const CResultItem* pItem)
{
    std::vector<const CResultItem*> chain;
    for (const CResultItem* p = pItem; p && !p->IsRoot() && !p->IsDrive(); p = p->GetParent()) chain.push_back(p);
    std::string strPath;
    for (size_t i = chain.size(); i-- > 0;) {
        strPath += chain[i]->GetText();
        if (i > 0) strPath += '/';
    }
    return strPath;
}

static const CResultItem* FindChildByText(const CResultItem* pParent, const std::string& strText)
{
    for (size_t i = 0; i < pParent->GetChildCount(); ++i)
        if (pParent->GetChild(i)->GetText() == strText) return pParent->GetChild(i);
    return nullptr;
}

const CResultItem* FindItemByRelativePath(const CResultItem* pDrive, const std::string& strPath)
{
    const CResultItem* pItem = pDrive;
    size_t nPos = 0;
    while (pItem && nPos <= strPath.size()) {
        size_t nSlash = strPath.find('/', nPos);
        std::string strPart = strPath.substr(nPos, nSlash == std::string::npos ? std::string::npos : nSlash - nPos);
        if (!strPart.empty()) pItem = FindChildByText(pItem, strPart);
        if (nSlash == std::string::npos) break;
        nPos = nSlash + 1;
    }
    return pItem;
}
