#pragma once
// The result tree: the "Drives" root, one item per drive, and below a scanned
// drive the folders and files its scan found. After tree building it is the
// only model of the results; the GUI's views and the CLI both read it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fs/FoundEntry.h"

// Image indices: the only record of folder/file and live/deleted on an item.
enum : uint8_t {
    IMAGE_DRIVES = 0,
    IMAGE_DRIVE = 1,
    IMAGE_FOLDER = 2,
    IMAGE_DELETED_FOLDER = 3,
    IMAGE_FILE = 4,
    IMAGE_DELETED_FILE = 5,
};

inline bool IsFolderImage(uint8_t nImage) { return nImage == IMAGE_FOLDER || nImage == IMAGE_DELETED_FOLDER; }
inline bool IsFileImage(uint8_t nImage) { return nImage == IMAGE_FILE || nImage == IMAGE_DELETED_FILE; }
inline bool IsDeletedImage(uint8_t nImage) { return nImage == IMAGE_DELETED_FOLDER || nImage == IMAGE_DELETED_FILE; }

// Item data of a result item, as texts: what the tooltips show and what the
// recovery hands to the engine.
class CTreeItemInfo {
public:
    virtual ~CTreeItemInfo() = default;
    virtual std::string GetStartRef() const = 0;
    virtual std::string GetParentRef() const = 0;
    virtual std::string GetSize() const = 0;
};

class CTreeItemData final : public CTreeItemInfo {
public:
    CTreeItemData() = default;
    // An entry's references and size, shown as unsigned decimals.
    static CTreeItemData ForEntry(uint64_t nParentRef, uint64_t nStartRef, uint64_t nSize);
    // A lost-entry group folder: parent as 8 hex digits, start "0", the size of the entry that opened it.
    static CTreeItemData ForGroup(uint64_t nParentRef, uint64_t nSize);

    std::string GetStartRef() const override;
    std::string GetParentRef() const override;
    std::string GetSize() const override;

    // The numbers behind the texts (kept as numbers: a million items stay small).
    uint64_t m_nParentRef = 0;
    uint64_t m_nStartRef = 0;
    uint64_t m_nSize = 0;
    // 100-ns ticks since 1601 UTC; 0 when not known.
    uint64_t m_nCreateTime = 0;
    uint64_t m_nModifyTime = 0;
    uint64_t m_nAccessTime = 0;
    bool m_bGroup = false;
    ERecoverState m_nState = ERecoverState::Unknown;
};

class CResultItem {
public:
    CResultItem(std::string strText, uint8_t nImage) : m_strText(std::move(strText)), m_nImage(nImage) {}
    CResultItem(const CResultItem&) = delete;
    CResultItem& operator=(const CResultItem&) = delete;

    const std::string& GetText() const { return m_strText; }
    uint8_t GetImage() const { return m_nImage; }
    CResultItem* GetParent() const { return m_pParent; }
    size_t GetChildCount() const { return m_children.size(); }
    bool HasChildren() const { return !m_children.empty(); }
    CResultItem* GetChild(size_t i) const { return i < m_children.size() ? m_children[i].get() : nullptr; }
    // Position among the parent's children.
    size_t GetRow() const { return m_nRow; }
    // Null for the "Drives" root and the drive items.
    const CTreeItemData* GetItemData() const { return m_bHasData ? &m_data : nullptr; }

    bool IsFolder() const { return IsFolderImage(m_nImage); }
    bool IsFile() const { return IsFileImage(m_nImage); }
    bool IsDeleted() const { return IsDeletedImage(m_nImage); }
    bool IsRoot() const { return m_pParent == nullptr; }
    bool IsDrive() const { return m_pParent != nullptr && m_pParent->m_pParent == nullptr; }
    // The drive item above a result item (the item itself for a drive); null for the root.
    const CResultItem* GetDriveItem() const;

    // Inserts a new last child.
    CResultItem* AppendChild(std::string strText, uint8_t nImage);
    void SetItemData(const CTreeItemData& data)
    {
        m_data = data;
        m_bHasData = true;
    }
    // Alphabetical order of the direct children (one level, case-insensitive, stable).
    void SortChildren();
    // Moves every child of other to the end of this item's children.
    void AdoptChildren(CResultItem& other);
    std::unique_ptr<CResultItem> RemoveChild(size_t i);
    void RemoveAllChildren() { m_children.clear(); }
    // Items below this one, not counting itself.
    size_t CountDescendants() const;

private:
    void Renumber(size_t nFrom);

    std::string m_strText;
    CResultItem* m_pParent = nullptr;
    std::vector<std::unique_ptr<CResultItem>> m_children;
    CTreeItemData m_data;
    uint32_t m_nRow = 0;
    uint8_t m_nImage;
    bool m_bHasData = false;
};

// The whole tree: the "Drives" root and its drive items.
class CResultTree {
public:
    CResultTree() : m_root("Drives", IMAGE_DRIVES) {}
    CResultItem* GetRoot() { return &m_root; }
    const CResultItem* GetRoot() const { return &m_root; }
    // Appends a drive item ("C") as the root's last child.
    CResultItem* AddDrive(const std::string& strLetter) { return m_root.AppendChild(strLetter, IMAGE_DRIVE); }
    CResultItem* FindDrive(const std::string& strLetter) const;

private:
    CResultItem m_root;
};

// Item name rules: trailing white space removed; a deleted entry whose name
// starts with the FAT deletion mark 0xE5 loses that mark.
std::string ItemTextForEntry(bool bDeleted, const std::string& strName);
