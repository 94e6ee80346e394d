// A PowerShot-library download whose own write fails half way, on a machine where nothing needs
// to be mounted or filled: a file-size limit of the process stands for a disk that fills up.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

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

class PRDownload : public CameraTest {
 protected:
  PRDownload() : CameraTest("prdownload_", true) {}
};

// The write into the picture fails in the library's progress callback: RemoteGetPicture raises
// that failure once the library returns (the hook sees nothing), no file is left under the
// picture's name or aside, and the release leaves the queue, since the library is done with it.
TEST_F(PRDownload, AWriteThatFailsHalfWayIsRaisedAndLeavesNoFile) {
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
}

}  // namespace
