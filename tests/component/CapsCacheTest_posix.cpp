// A cache file that exists but cannot be opened: a socket stands where the file is (the tests run
// with every right, so a file without read permission would still open).
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "component/CamLib.h"
#include "platform/Errors.h"

namespace {

namespace fs = std::filesystem;

TEST(CapsCacheOpen, AFileThatCannotBeOpenedRaisesTheOpenError) {
  const fs::path dir = fs::temp_directory_path() / "capscache_open";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path socketPath = dir / "Cam Mode16";
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.string().size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  const std::string name = dir.string() + "\\Cam Mode16";
  CamLib::CapsBody caps{};
  try {
    (void)CamLib::LoadCapsFile(name, caps);
    ADD_FAILURE() << "no error";
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.Message().rfind("Cannot open file \"" + name + "\". ", 0), 0u) << e.Message();
  }
  ::close(fd);
  fs::remove_all(dir);
}

}  // namespace
