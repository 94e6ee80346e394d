// A PowerShot-library download whose own write or flush fails, on a machine where nothing needs
// to be mounted or filled: a file-size limit of the process stands for a disk that fills up, and
// this program's own fsync for a disk that fails to keep what was written.
#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "component/Lumidor.h"
#include "tests/component/CameraTestSupport.h"

namespace {

using namespace Lumidor;
using namespace CamDefines;
namespace fs = std::filesystem;
using namespace camera_test;

// Files of this process cannot grow past `bytes` while it lives: a write past it fails as on a
// full disk (EFBIG, with SIGXFSZ ignored).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t old_handler_ = SIG_DFL;
};

std::atomic<bool> flushesFail{false};

// While it lives, each flush of a file's content to the disk fails (ENOSPC, as a disk that cannot
// take what was written); folders flush as before.
class FailingFlushes {
 public:
  FailingFlushes() { flushesFail = true; }
  ~FailingFlushes() { flushesFail = false; }
  FailingFlushes(const FailingFlushes&) = delete;
  FailingFlushes& operator=(const FailingFlushes&) = delete;
};

class PRDownload : public CameraTest {
 protected:
  PRDownload() : CameraTest("prdownload_", true) {}
};

// The write into the picture fails in the library's progress callback: RemoteGetPicture raises
// that failure once the library returns (the hook sees nothing), no file is left under the
// picture's name or aside, and the release leaves the queue, since the library is done with it.
// A flush to the disk that fails once the picture is written whole is raised the same way, and
// leaves no file either.
TEST_F(PRDownload, AWriteThatFailsHalfWayOrAFailedFlushIsRaisedAndLeavesNoFile) {
  ConnectRemote("camera pr Cam One\npicture_bytes 250000\n", 1, dir.string(),
                ReleaseDataKindTakeOnlyPicture);
  const fs::path file = dir / "1.jpg";
  std::string raised;
  lumidor->OnRemoteEvent = DownloadInto(file, raised);
  {
    FileSizeLimit full(120000);
    lumidor->RemoteTakePicture();
  }
  EXPECT_EQ(raised, "Disk full");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(fs::exists(file.string() + ".part"));
  EXPECT_TRUE(lumidor->PRReleaseQueue.empty());
  EXPECT_EQ(lumidor->PRDownloadStream, nullptr);
  EXPECT_TRUE(hooked.empty()) << hooked.front();

  {
    FailingFlushes failing;
    lumidor->RemoteTakePicture();
  }
  EXPECT_EQ(raised, "Disk full");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(fs::exists(file.string() + ".part"));
  EXPECT_TRUE(hooked.empty()) << hooked.front();
}

}  // namespace

// Stands in for the C library's fsync in this program, so that FailingFlushes can make it fail.
extern "C" int fsync(int fd) {
  struct stat st;
  if (flushesFail && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    errno = ENOSPC;
    return -1;
  }
  return static_cast<int>(::syscall(SYS_fsync, fd));
}
