// Downloads of the CD and PowerShot cameras while another program (file_holder) holds what a
// killed download left under the picture's aside name, as a virus scanner or a sync client may.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "component/Lumidor.h"
#include "simcam/core/Picture.h"
#include "tests/component/CameraTestSupport.h"
#include "tests/support/FileHolder_win.h"

namespace {

using namespace CamDefines;
namespace fs = std::filesystem;
using namespace camera_test;
using test_support::FileHolder;
using test_support::MsOf;

class HeldAside : public CameraTest {
 protected:
  HeldAside() : CameraTest("heldaside_", true) {}
};

// A leftover held for longer than the wait, letting others write it but not delete it, is never
// written into: the download fails within about 2 s, before the library transfers anything, the
// held file keeps its content, and the camera keeps the picture for the next download.
// A PowerShot download's steps share that wait: held at the start and at the rename, it still
// ends within about 2 s.
TEST_F(HeldAside, ADownloadIsNeverWrittenIntoALeftoverThatStaysHeld) {
  const fs::path file = dir / "1.jpg";
  const std::string aside = file.string() + ".part";
  for (const char* camera : {"cd", "pr"}) {
    SCOPED_TRACE(camera);
    const std::string transfer =
        camera == std::string("cd") ? "CDGetReleasedData" : "PR_RC_GetReleasedData";
    ConnectRemote(std::string("camera ") + camera + " Cam One\n", 1, dir.string(),
                  ReleaseDataKindTakeOnlyPicture);
    std::string raised;
    lumidor->OnRemoteEvent = DownloadInto(file, raised);
    std::ofstream(aside) << "left by a kill";
    {
      FileHolder holder(aside, "rw", 3000);
      ASSERT_TRUE(holder.Held());
      EXPECT_LT(MsOf([&] { lumidor->RemoteTakePicture(); }), 2800u);
      EXPECT_EQ(raised, "I/O error 32");
      EXPECT_EQ(Calls(transfer), Strings{});
      EXPECT_TRUE(holder.Ended());
    }
    EXPECT_EQ(ReadAll(aside), "left by a kill");
    lumidor->RemoteGetPicture(file.string(), ReleaseDataKindTakeOnlyPicture);
    EXPECT_EQ(ReadAll(file), simcam::MakePicture(1, 50000));
    EXPECT_TRUE(hooked.empty());
  }

  std::ofstream(aside) << "left by a kill";
  FileHolder leftover(aside, "r", 1500);
  FileHolder name(file.string(), "rw", 4000);
  ASSERT_TRUE(leftover.Held() && name.Held());
  std::string raised;
  lumidor->OnRemoteEvent = DownloadInto(file, raised);
  EXPECT_LT(MsOf([&] { lumidor->RemoteTakePicture(); }), 2800u) << "each step waited on its own";
  EXPECT_EQ(raised, "File access denied");  // the rename, after the leftover went
  EXPECT_TRUE(leftover.Ended() && name.Ended());
}

}  // namespace
