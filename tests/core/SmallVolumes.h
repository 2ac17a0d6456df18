#pragma once
// Small real volumes for the tests of damage, read-only access and output
// safety: made once per run by mkntfs + ntfscp and mkfs.fat + mtools (no
// mount needed), and the `varnel` command run on them under a watchdog.

#include <string>
#include <vector>

#include "tests/core/TestSupport.h"

namespace smallvol {

// A 4 MiB NTFS volume: small.txt (300 bytes, resident) and data.bin (50000 bytes).
const std::string& SmallNtfsImage();
// An 8 MiB FAT16 volume with 1 KiB clusters: LIVE.BIN (20000 bytes) in the
// root and a folder DIR of 60 long-named files, several clusters long.
const std::string& SmallFatImage();

struct CCliRun {
    int m_nStatus = -1;  // -1: killed (the watchdog ends a run after 300 s)
    std::string m_strErr;
    long m_nMaxRssKiB = 0;
};
// Runs `varnel ARGS` with stdout and stderr in files of dir; measures its peak memory.
CCliRun RunCli(const std::vector<std::string>& args, const testsupport::CTempDir& dir);

// What `varnel list` or `varnel recover --to strOut` would do, run in this
// process: for file systems the build's edition does not scan. The exit
// status the command gives (0 or 1) and its messages.
int ScanAndRecoverHere(const std::string& strImage, const std::string& strFileSystem, const std::string& strOut,
                       std::string* pMessages);

}  // namespace smallvol
