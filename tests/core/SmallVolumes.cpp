#include "tests/core/SmallVolumes.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <functional>
#include <spawn.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "recover/RecoveryWalk.h"

extern char** environ;

using namespace testsupport;
namespace fsys = std::filesystem;

namespace smallvol {

namespace {

// Test processes run side by side and share the fixture folder: one builds an
// image under a name of its own and moves it into place, the others wait for
// it and reuse it. Nobody ever rebuilds an image another process is reading.
std::string BuildOnce(const std::string& strName, const std::function<std::string(const std::string&)>& commandFor)
{
    const std::string strDir = std::string(VARNEL_FIXTURE_DIR) + "/damaged";
    fsys::create_directories(strDir);
    const std::string strImage = strDir + "/" + strName;
    int fdLock = ::open((strDir + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fdLock >= 0) ::flock(fdLock, LOCK_EX);
    if (!fsys::exists(strImage)) {
        const std::string strPart = strImage + ".part" + std::to_string(::getpid());
        const std::string strCommand = "rm -f " + Quote(strPart) + " && " + commandFor(strPart);
        std::string strOut;
        std::error_code ec;
        if (testsupport::Run(strCommand, &strOut) == 0) {
            fsys::rename(strPart, strImage, ec);
        } else {
            ADD_FAILURE() << strCommand << "\n" << strOut;
            fsys::remove(strPart, ec);
        }
    }
    if (fdLock >= 0) ::close(fdLock);
    return strImage;
}

}  // namespace

const std::string& SmallNtfsImage()
{
    static const std::string s_strImage = BuildOnce("ntfs-v1.img", [](const std::string& strImage) {
        std::string strDir = fsys::path(strImage).parent_path().string();
        WriteFileBytes(strDir + "/small.txt", std::vector<uint8_t>(300, 'a'));
        WriteFileBytes(strDir + "/data.bin", PatternBytes(50000, 7));
        return "truncate -s 4M " + Quote(strImage) + " && mkntfs -F -q -f " + Quote(strImage) +
               " >/dev/null && ntfscp -q " + Quote(strImage) + " " + Quote(strDir + "/small.txt") +
               " small.txt && ntfscp -q " + Quote(strImage) + " " + Quote(strDir + "/data.bin") + " data.bin";
    });
    return s_strImage;
}

const std::string& SmallFatImage()
{
    static const std::string s_strImage = BuildOnce("fat-v1.img", [](const std::string& strImage) {
        std::string strDir = fsys::path(strImage).parent_path().string();
        WriteFileBytes(strDir + "/live.bin", PatternBytes(20000, 8));
        std::string strMtools = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";
        std::string strCmd = "truncate -s 8M " + Quote(strImage) + " && mkfs.fat -F 16 -s 2 " + Quote(strImage) +
                             " >/dev/null && " + strMtools + "mcopy -i " + Quote(strImage) + " " +
                             Quote(strDir + "/live.bin") + " ::/LIVE.BIN && " + strMtools + "mmd -i " +
                             Quote(strImage) + " ::/DIR";
        for (int i = 0; i < 60; ++i)
            strCmd += " && " + strMtools + "mcopy -i " + Quote(strImage) + " " + Quote(strDir + "/live.bin") +
                      " '::/DIR/a file with a long name " + std::to_string(i) + ".bin'";
        return strCmd;
    });
    return s_strImage;
}

CCliRun RunCli(const std::vector<std::string>& args, const CTempDir& dir)
{
    std::vector<std::string> argv{"timeout", "300", VARNEL_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> ptrs;
    for (std::string& s : argv) ptrs.push_back(s.data());
    ptrs.push_back(nullptr);
    std::string strErr = dir / "stderr", strOut = dir / "stdout";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, strOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    CCliRun run;
    pid_t pid = 0;
    if (posix_spawnp(&pid, "timeout", &actions, nullptr, ptrs.data(), environ) == 0) {
        int nStatus = 0;
        struct rusage usage {};
        ::wait4(pid, &nStatus, 0, &usage);
        run.m_nStatus = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
        run.m_nMaxRssKiB = usage.ru_maxrss;
    }
    posix_spawn_file_actions_destroy(&actions);
    auto bytes = ReadFileBytes(strErr);
    run.m_strErr.assign(bytes.begin(), bytes.end());
    return run;
}

int ScanAndRecoverHere(const std::string& strImage, const std::string& strFileSystem, const std::string& strOut,
                       std::string* pMessages)
{
    CScanned scanned = ScanImage(strImage, strFileSystem);
    bool bComplete = scanned.pEngine->GetScanDamage().empty();
    for (const std::string& strLine : scanned.pEngine->GetScanDamage()) *pMessages += strLine + "\n";
    if (strOut.empty()) return bComplete ? 0 : 1;
    CRecoveryWalk walk(*scanned.pEngine, strFileSystem, nullptr);
    EXPECT_TRUE(walk.SetDestination(strOut, pMessages));
    for (size_t i = 0; i < scanned.pDrive->GetChildCount(); ++i) walk.RecoverItem(*scanned.pDrive->GetChild(i));
    for (const CRecoveryFailure& failure : walk.GetReport().m_failures) *pMessages += failure.m_strReason + "\n";
    return bComplete && walk.GetReport().AllWritten() ? 0 : 1;
}

}  // namespace smallvol
