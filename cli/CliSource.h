#pragma once
// Turning the SOURCE of a `varnel` command (image file, block device or drive
// letter) into a registered drive with its engine.

#include <memory>
#include <string>

#include "fs/FileSystem.h"

struct CCliSource {
    int m_nDrive = -1;
    std::string m_strPath;
    std::string m_strFileSystem;
    std::unique_ptr<CFileSystem> m_pEngine;
};

// False with a message when the source cannot be used: missing, a folder,
// unreadable, or without a file system the program knows. strForcedType
// ("NTFS", "FAT32", "FAT") skips detection, for volumes whose signature is damaged.
bool OpenCliSource(const std::string& strSource, const std::string& strForcedType, CCliSource* pSource,
                   std::string* pError);
