// The scanned volume is only ever read: scanning and recovering from an image
// leaves its bytes, its modification and change times as they were, and the
// kernel reports no open of it for writing (inotify's IN_CLOSE_WRITE fires for
// every such open, whoever the process is, root included, and whatever the
// file system under the image).

#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/core/SmallVolumes.h"

using namespace testsupport;
using namespace smallvol;
namespace fsys = std::filesystem;

namespace {

struct CImageState {
    std::vector<uint8_t> m_bytes;
    struct timespec m_mtime {};
    struct timespec m_ctime {};
};

CImageState StateOf(const std::string& strImage)
{
    CImageState state;
    state.m_bytes = ReadFileBytes(strImage);
    struct stat st {};
    EXPECT_EQ(::stat(strImage.c_str(), &st), 0);
    state.m_mtime = st.st_mtim;
    state.m_ctime = st.st_ctim;
    return state;
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// The events inotify reported on the watched image, or'ed together.
uint32_t DrainEvents(int fd)
{
    uint32_t nSeen = 0;
    alignas(struct inotify_event) std::array<char, 64 * 1024> buf{};
    for (;;) {
        ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n <= 0) break;
        for (ssize_t nPos = 0; nPos < n;) {
            const auto* pEvent = reinterpret_cast<const struct inotify_event*>(buf.data() + nPos);
            nSeen |= pEvent->mask;
            nPos += static_cast<ssize_t>(sizeof(struct inotify_event) + pEvent->len);
        }
    }
    return nSeen;
}

}  // namespace

TEST(ReadOnly, ScanAndRecoveryNeverWriteToTheImage)
{
    if (!HaveTool("mkntfs") || !HaveTool("ntfscp") || !HaveTool("mkfs.fat")) GTEST_SKIP() << "needs ntfs-3g and dosfstools";
    for (const std::string& strSource : {SmallNtfsImage(), SmallFatImage()}) {
        SCOPED_TRACE(strSource);
        CTempDir dir("read-only");
        std::string strImage = dir / "volume.img";
        fsys::copy_file(strSource, strImage);
        // An old modification time, so that a write within the same clock tick would still show.
        ASSERT_EQ(testsupport::Run("touch -d '2001-02-03 04:05:06' " + Quote(strImage)), 0);
        CImageState before = StateOf(strImage);

        int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_GE(::inotify_add_watch(fd, strImage.c_str(), IN_OPEN | IN_ACCESS | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE |
                                                                IN_CLOSE_NOWRITE),
                  0);
        fsys::create_directory(dir.Path() / "out");
        fsys::create_directory(dir.Path() / "here");
        bool bNtfs = strSource == SmallNtfsImage();
        // The command (which an edition without FAT refuses after reading the boot sector) ...
        CCliRun listed = RunCli({"list", strImage, "--json"}, dir);
        CCliRun recovered = RunCli({"recover", strImage, "--to", dir / "out"}, dir);
        if (bNtfs) {
            EXPECT_EQ(listed.m_nStatus, 0) << listed.m_strErr;
            EXPECT_EQ(recovered.m_nStatus, 0) << recovered.m_strErr;
        }
        // ... and the same engines in this process, whatever the edition.
        std::string strMessages;
        EXPECT_EQ(ScanAndRecoverHere(strImage, bNtfs ? "NTFS" : "FAT", dir / "here", &strMessages), 0) << strMessages;
        uint32_t nEvents = DrainEvents(fd);
        ::close(fd);

        // The watch saw the reads, so a write would have been seen too.
        EXPECT_TRUE(nEvents & IN_OPEN);
        EXPECT_TRUE(nEvents & IN_ACCESS);
        EXPECT_TRUE(nEvents & IN_CLOSE_NOWRITE);
        EXPECT_FALSE(nEvents & IN_CLOSE_WRITE) << "the image was opened for writing";
        EXPECT_FALSE(nEvents & IN_MODIFY) << "the image was written";
        EXPECT_FALSE(nEvents & IN_ATTRIB) << "the image's metadata changed";
        CImageState after = StateOf(strImage);
        EXPECT_TRUE(after.m_bytes == before.m_bytes);
        EXPECT_TRUE(SameTime(after.m_mtime, before.m_mtime));
        EXPECT_TRUE(SameTime(after.m_ctime, before.m_ctime));
        EXPECT_FALSE(fsys::is_empty(dir.Path() / "here"));
    }
}
