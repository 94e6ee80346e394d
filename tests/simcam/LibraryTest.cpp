// The stand-in libraries as the component meets them: loaded by file name (from the stand-ins'
// folder, through the loader's path), every entry point looked up by its export name. The
// libraries keep their state for the life of the process; each test writes its own
// configuration, which takes effect at the next start or enumeration call.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Library.h"
#include "sdk/CDSDK.h"
#include "sdk/EDSDK.h"
#include "sdk/PRSDK.h"
#include "tests/simcam/Env.h"

namespace {

namespace fs = std::filesystem;
using simcam_test::SetEnv;

// A handle that no library hands out.
constexpr std::uintptr_t kNoSuchHandle = 0x7FFFFFF0;

template <typename Proc>
Proc Entry(rt::LibHandle library, const char* name) {
  void* address = rt::GetProcAddr(library, name);
  EXPECT_NE(address, nullptr) << name;
  return reinterpret_cast<Proc>(address);
}

std::string Bytes(const void* record, std::size_t offset, std::size_t size) {
  return std::string(static_cast<const char*>(record) + offset, size);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// A variant's full path: the stand-ins' folder is SIMCAM_FOLDER relative to the test's own.
std::string VariantPath(const char* variant) {
  const std::string dir = rt::ExecutableDir();
  const char separator = dir.find('\\') != std::string::npos ? '\\' : '/';
  std::string folder = SIMCAM_FOLDER;
  std::replace(folder.begin(), folder.end(), '/', separator);
  return dir + separator + folder + separator + "variants" + separator + variant + separator +
         "CDSDK.DLL";
}

class SimcamLibraries : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    cd_ = rt::LoadLib("CDSDK.DLL");
    pr_ = rt::LoadLib("PRSDK.DLL");
    eos_ = rt::LoadLib("EDSDK.DLL");
  }

  void SetUp() override {
    ASSERT_NE(cd_, 0u);
    ASSERT_NE(pr_, 0u);
    ASSERT_NE(eos_, 0u);
    dir_ = fs::temp_directory_path() /
           ("simcam-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  void TearDown() override {
    SetEnv("SIMCAM_CONFIG", nullptr);
    SetEnv("SIMCAM_TRACE", nullptr);
    fs::remove_all(dir_);
  }

  // Writes the configuration and makes it the one the libraries read.
  void UseConfig(const std::string& text) {
    const fs::path path = dir_ / "simcam.conf";
    std::ofstream(path, std::ios::binary) << text;
    SetEnv("SIMCAM_CONFIG", path.string().c_str());
  }

  CDResult StartCd() {
    CDVersionInfo version{};
    version.Size = kCDVersionInfoSize;
    version.Major = kCDVersionMajor;
    version.Minor = kCDVersionMinor;
    return Entry<CDStartSDKProc>(cd_, "CDStartSDK")(&version, kCDStartOption);
  }

  // Resets a device enumeration and reads its count; the caller walks and releases it.
  CDEnumHandle ResetCd(std::uint32_t& count) {
    CDEnumHandle handle = 0;
    EXPECT_EQ(Entry<CDEnumDeviceResetProc>(cd_, "CDEnumDeviceReset")(kCDEnumDeviceOption, &handle),
              kCDOk);
    EXPECT_EQ(Entry<CDGetDeviceCountProc>(cd_, "CDGetDeviceCount")(handle, &count), kCDOk);
    return handle;
  }
  CDResult NextCd(CDEnumHandle handle, CDSourceInfo& info) {
    return Entry<CDEnumDeviceNextProc>(cd_, "CDEnumDeviceNext")(handle, &info);
  }
  CDResult ReleaseCd(CDEnumHandle handle) {
    return Entry<CDEnumDeviceReleaseProc>(cd_, "CDEnumDeviceRelease")(handle);
  }
  // The listed names of a whole CD enumeration.
  std::vector<std::string> CdNames() {
    std::uint32_t count = 0;
    const CDEnumHandle handle = ResetCd(count);
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < count; ++i) {
      CDSourceInfo info{};
      EXPECT_EQ(NextCd(handle, info), kCDOk);
      names.push_back(info.Name);
    }
    EXPECT_EQ(ReleaseCd(handle), kCDOk);
    return names;
  }

  PRResult GetPrList(std::uint32_t& size, PRDeviceList& list) {
    return Entry<PR_GetDeviceListProc>(pr_, "PR_GetDeviceList")(&size, &list);
  }
  static std::u16string PrName(const PRDeviceEntry& entry) {
    return std::u16string(entry.Name,
                          entry.Name + std::char_traits<char16_t>::length(
                                           reinterpret_cast<const char16_t*>(entry.Name)));
  }

  EdsRef GetEosList() {
    EdsRef list = 0;
    EXPECT_EQ(Entry<EdsGetCameraListProc>(eos_, "EdsGetCameraList")(&list), kEdsOk);
    return list;
  }
  std::uint32_t EosChildCount(EdsRef parent) {
    std::uint32_t count = 99;
    EXPECT_EQ(Entry<EdsGetChildCountProc>(eos_, "EdsGetChildCount")(parent, &count), kEdsOk);
    return count;
  }
  EdsResult EosChild(EdsRef list, std::int32_t index, EdsRef& camera) {
    return Entry<EdsGetChildAtIndexProc>(eos_, "EdsGetChildAtIndex")(list, index, &camera);
  }
  EdsResult EosInfo(EdsRef camera, EdsDeviceInfo& info) {
    return Entry<EdsGetDeviceInfoProc>(eos_, "EdsGetDeviceInfo")(camera, &info);
  }
  EdsResult EosRelease(EdsRef ref) { return Entry<EdsReleaseProc>(eos_, "EdsRelease")(ref); }

  static rt::LibHandle cd_, pr_, eos_;
  fs::path dir_;
};

rt::LibHandle SimcamLibraries::cd_ = 0;
rt::LibHandle SimcamLibraries::pr_ = 0;
rt::LibHandle SimcamLibraries::eos_ = 0;

TEST_F(SimcamLibraries, ExportEveryListedNameAndAnswerNotSupportedForTheRest) {
  for (const char* name : kCDSDKExportNames) EXPECT_NE(rt::GetProcAddr(cd_, name), nullptr) << name;
  for (const char* name : kPRSDKExportNames) EXPECT_NE(rt::GetProcAddr(pr_, name), nullptr) << name;
  for (const char* name : kEDSDKExportNames) {
    EXPECT_NE(rt::GetProcAddr(eos_, name), nullptr) << name;
  }
  // Only the decorated faculty name is exported, and it is the faculty entry point.
  EXPECT_EQ(rt::GetProcAddr(cd_, "CDGetReleaseControlFaculty"), nullptr);
  std::uint32_t faculty = 0;
  EXPECT_EQ(Entry<CDGetReleaseControlFacultyProc>(cd_, "_CDGetReleaseControlFaculty@8")(
                kNoSuchHandle, &faculty),
            kCDErrInvalidHandle);
  EXPECT_EQ(Entry<CDGetSDKVersionProc>(cd_, "CDGetSDKVersion")(nullptr), kCDErrNotSupported);
  EXPECT_EQ(Entry<PR_RC_TermViewFinderProc>(pr_, "PR_RC_TermViewFinder")(1), kPRErrNotSupported);
  EXPECT_EQ(Entry<EdsCacheImageProc>(eos_, "EdsCacheImage")(1, 0), kEdsErrNotSupported);
}

TEST_F(SimcamLibraries, CdVariantsLackExactlyWhatTheyAreFor) {
  for (const char* name : kCDSDKCalledEntryPoints) {
    ASSERT_STRNE(name, "CDGetSDKVersion") << "the missing entry point must be one never called";
  }
  const rt::LibHandle missing = rt::LoadLib(VariantPath("cd_missing_entry"));
  ASSERT_NE(missing, 0u) << VariantPath("cd_missing_entry");
  ASSERT_NE(missing, cd_);
  for (const char* name : kCDSDKExportNames) {
    EXPECT_EQ(rt::GetProcAddr(missing, name) == nullptr, std::string(name) == "CDGetSDKVersion")
        << name;
  }

  const rt::LibHandle plain = rt::LoadLib(VariantPath("cd_plain_faculty"));
  ASSERT_NE(plain, 0u) << VariantPath("cd_plain_faculty");
  EXPECT_EQ(rt::GetProcAddr(plain, "_CDGetReleaseControlFaculty@8"), nullptr);
  EXPECT_NE(rt::GetProcAddr(plain, "CDGetReleaseControlFaculty"), nullptr);
  EXPECT_NE(rt::GetProcAddr(plain, "CDStartSDK"), nullptr);
  EXPECT_TRUE(rt::FreeLib(missing));
  EXPECT_TRUE(rt::FreeLib(plain));
}

TEST_F(SimcamLibraries, WithoutConfigEachSdkHasOneCamera) {
  SetEnv("SIMCAM_CONFIG", nullptr);
  ASSERT_EQ(StartCd(), kCDOk);
  EXPECT_EQ(CdNames(), std::vector<std::string>{"PowerShot Sim"});

  ASSERT_EQ(Entry<PR_StartSDKProc>(pr_, "PR_StartSDK")(), kPROk);
  std::uint32_t size = kPRDeviceListSize;
  auto list = std::make_unique<PRDeviceList>();
  ASSERT_EQ(GetPrList(size, *list), kPROk);
  ASSERT_EQ(list->Count, 1u);
  EXPECT_EQ(PrName(list->Entries[0]), u"PowerShot Sim2");

  ASSERT_EQ(Entry<EdsInitializeSDKProc>(eos_, "EdsInitializeSDK")(), kEdsOk);
  const EdsRef eosList = GetEosList();
  ASSERT_EQ(EosChildCount(eosList), 1u);
  EdsRef camera = 0;
  ASSERT_EQ(EosChild(eosList, 0, camera), kEdsOk);
  EdsDeviceInfo info{};
  ASSERT_EQ(EosInfo(camera, info), kEdsOk);
  EXPECT_STREQ(info.Description, "EOS Sim");
  EXPECT_EQ(EosRelease(eosList), kEdsOk);
  EXPECT_EQ(EosRelease(camera), kEdsOk);
}

TEST_F(SimcamLibraries, CdEnumerationDeliversOneRecordPerCameraInFileOrder) {
  UseConfig("camera cd PowerShot G3\ncamera pr S90\ncamera cd Ixus 400\n");
  ASSERT_EQ(StartCd(), kCDOk);
  std::uint32_t count = 0;
  const CDEnumHandle handle = ResetCd(count);
  ASSERT_EQ(count, 2u);
  for (const char* name : {"PowerShot G3", "Ixus 400"}) {
    CDSourceInfo info;
    std::memset(&info, 0xCC, sizeof info);
    ASSERT_EQ(NextCd(handle, info), kCDOk);
    const std::string field(name);
    EXPECT_EQ(Bytes(&info, 72, 64), field + std::string(64 - field.size(), '\0'));
    EXPECT_EQ(Bytes(&info, 8, 64), field + std::string(64 - field.size(), '\0'));
  }
  CDSourceInfo info{};
  EXPECT_EQ(NextCd(handle, info), kCDErrEnumNotApplicable);
  EXPECT_EQ(ReleaseCd(handle), kCDOk);
  EXPECT_EQ(ReleaseCd(handle), kCDErrInvalidHandle);
  EXPECT_EQ(NextCd(handle, info), kCDErrInvalidHandle);

  UseConfig("picture_bytes 1000\n");  // no camera line: no camera on any SDK
  EXPECT_TRUE(CdNames().empty());
  std::uint32_t size = kPRDeviceListSize;
  auto list = std::make_unique<PRDeviceList>();
  ASSERT_EQ(GetPrList(size, *list), kPROk);
  EXPECT_EQ(list->Count, 0u);
  const EdsRef eosList = GetEosList();
  EXPECT_EQ(EosChildCount(eosList), 0u);
  EXPECT_EQ(EosRelease(eosList), kEdsOk);
}

TEST_F(SimcamLibraries, PrDeviceListRespectsTheCallersSize) {
  UseConfig("camera pr PowerShot S90\ncamera eos 5D\ncamera pr PowerShot G\xC3\xA9\n");
  auto list = std::make_unique<PRDeviceList>();
  std::memset(list.get(), 0xAB, sizeof *list);
  std::uint32_t size = kPRDeviceListSize;
  ASSERT_EQ(GetPrList(size, *list), kPROk);
  EXPECT_EQ(size, 4u + 2 * kPRDeviceEntrySize);
  ASSERT_EQ(list->Count, 2u);
  EXPECT_EQ(PrName(list->Entries[0]), u"PowerShot S90");
  EXPECT_EQ(PrName(list->Entries[1]), u"PowerShot G\u00E9");
  EXPECT_EQ(Bytes(list.get(), size, 4), std::string(4, '\xAB')) << "wrote past the entries";

  size = 4 + kPRDeviceEntrySize;  // room for one entry only
  EXPECT_EQ(GetPrList(size, *list), kPRErrInsufficientBuffer);
  EXPECT_EQ(size, 4u + 2 * kPRDeviceEntrySize);
  EXPECT_EQ(Entry<PR_GetDeviceListProc>(pr_, "PR_GetDeviceList")(nullptr, list.get()),
            kPRErrInvalidParameter);
}

TEST_F(SimcamLibraries, EosCamerasOutliveTheirListAndGoWithTheLastReference) {
  UseConfig("camera eos EOS 5D\ncamera eos EOS 40D\n");
  ASSERT_EQ(Entry<EdsInitializeSDKProc>(eos_, "EdsInitializeSDK")(), kEdsOk);
  const EdsRef list = GetEosList();
  ASSERT_EQ(EosChildCount(list), 2u);
  EdsRef first = 0, second = 0, none = 0;
  ASSERT_EQ(EosChild(list, 0, first), kEdsOk);
  ASSERT_EQ(EosChild(list, 1, second), kEdsOk);
  EXPECT_EQ(EosChild(list, 2, none), kEdsErrInvalidIndex);
  EXPECT_EQ(EosChild(list, -1, none), kEdsErrInvalidIndex);
  EXPECT_EQ(EosChildCount(first), 0u);
  ASSERT_EQ(EosRelease(list), kEdsOk);
  EXPECT_EQ(EosRelease(list), kEdsErrInvalidHandle);

  EdsDeviceInfo info;
  std::memset(&info, 0xCC, sizeof info);
  ASSERT_EQ(EosInfo(second, info), kEdsOk);
  EXPECT_EQ(Bytes(&info, 256, 256), "EOS 40D" + std::string(249, '\0'));
  EXPECT_EQ(EosInfo(list, info), kEdsErrInvalidHandle);

  // A new list hands out the same live camera.
  const EdsRef again = GetEosList();
  EdsRef firstAgain = 0;
  ASSERT_EQ(EosChild(again, 0, firstAgain), kEdsOk);
  EXPECT_EQ(firstAgain, first);
  EXPECT_EQ(EosRelease(again), kEdsOk);
  EXPECT_EQ(EosRelease(firstAgain), kEdsOk);

  ASSERT_EQ(Entry<EdsRetainProc>(eos_, "EdsRetain")(first), kEdsOk);
  EXPECT_EQ(EosRelease(first), kEdsOk);
  EXPECT_EQ(EosInfo(first, info), kEdsOk);
  EXPECT_EQ(EosRelease(first), kEdsOk);
  EXPECT_EQ(EosInfo(first, info), kEdsErrInvalidHandle);
  EXPECT_EQ(EosRelease(second), kEdsOk);
  EXPECT_EQ(EosInfo(second, info), kEdsErrInvalidHandle);
}

TEST_F(SimcamLibraries, FailRulesCoverTheirCallsOnlyAndDoNothingElse) {
  const std::string rules =
      "camera cd A\ncamera cd B\ncamera cd C\n"
      "fail CDEnumDeviceNext 0x81 from=2 count=1\n"
      "fail CDGetSDKVersion 0x61\n"
      "fail CDGetReleaseControlFaculty 0x99 from=2\n"
      "fail EdsInitializeSDK 2\n";
  UseConfig(rules);
  ASSERT_EQ(StartCd(), kCDOk);
  const auto walk = [&] {
    std::uint32_t count = 0;
    const CDEnumHandle handle = ResetCd(count);
    std::string seen;
    for (int i = 0; i < 4; ++i) {
      CDSourceInfo info{};
      const CDResult result = NextCd(handle, info);
      seen += result == kCDOk ? info.Name : std::to_string(result);
      seen += ' ';
    }
    ReleaseCd(handle);
    return seen;
  };
  // The failed call leaves the enumeration where it was.
  EXPECT_EQ(walk(), "A 129 B C ");
  EXPECT_EQ(walk(), "A B C 240 ");
  EXPECT_EQ(Entry<CDGetSDKVersionProc>(cd_, "CDGetSDKVersion")(nullptr), 0x61u);
  std::uint32_t faculty = 0;
  const auto facultyProc =
      Entry<CDGetReleaseControlFacultyProc>(cd_, "_CDGetReleaseControlFaculty@8");
  EXPECT_EQ(facultyProc(kNoSuchHandle, &faculty), kCDErrInvalidHandle);
  EXPECT_EQ(facultyProc(kNoSuchHandle, &faculty), 0x99u);
  EXPECT_EQ(Entry<EdsInitializeSDKProc>(eos_, "EdsInitializeSDK")(), 2u);

  // A changed configuration counts the calls afresh.
  UseConfig(rules + "# changed\n");
  ASSERT_EQ(StartCd(), kCDOk);
  EXPECT_EQ(walk(), "A 129 B C ");

  UseConfig("fail CDStartSDK 0x81\n");
  EXPECT_EQ(StartCd(), 0x81u);
}

TEST_F(SimcamLibraries, TraceHasOneLinePerCall) {
  UseConfig("camera cd Ixus\n");
  const fs::path trace = dir_ / "trace.txt";
  SetEnv("SIMCAM_TRACE", trace.string().c_str());
  ASSERT_EQ(StartCd(), kCDOk);
  std::uint32_t count = 0;
  const CDEnumHandle handle = ResetCd(count);
  CDSourceInfo info{};
  ASSERT_EQ(NextCd(handle, info), kCDOk);
  ASSERT_EQ(NextCd(handle, info), kCDErrEnumNotApplicable);
  ASSERT_EQ(ReleaseCd(handle), kCDOk);
  Entry<CDGetSDKVersionProc>(cd_, "CDGetSDKVersion")(nullptr);
  std::uint32_t size = 4;
  PRDeviceList list;
  ASSERT_EQ(GetPrList(size, list), kPROk);

  const std::string h = std::to_string(handle);
  EXPECT_EQ(ReadFile(trace),
            "CDStartSDK({40, 7, 3}, 0) -> 0x00000000\n"
            "CDEnumDeviceReset(1, &) -> 0x00000000 enum=" +
                h + "\n" + "CDGetDeviceCount(" + h + ", &) -> 0x00000000 count=1\n" +
                "CDEnumDeviceNext(" + h + ", &) -> 0x00000000 name=\"Ixus\"\n" +
                "CDEnumDeviceNext(" + h + ", &) -> 0x000000F0\n" + "CDEnumDeviceRelease(" + h +
                ") -> 0x00000000\n" +
                "CDGetSDKVersion(...) -> 0x00000007\n"
                "PR_GetDeviceList(4, &) -> 0x00000000 count=0\n");

  // A trace file that cannot be opened changes nothing else.
  SetEnv("SIMCAM_TRACE", (dir_ / "no" / "such" / "trace.txt").string().c_str());
  EXPECT_EQ(StartCd(), kCDOk);
  EXPECT_EQ(CdNames(), std::vector<std::string>{"Ixus"});
}

TEST_F(SimcamLibraries, BadInputDirectives) {
  UseConfig(
      "camera cd Ixus\ncamera pr S90\ncamera eos 5D\n"
      "cd_count_extra 2\npr_count_extra 150\nunterminated_names\n");
  ASSERT_EQ(StartCd(), kCDOk);
  std::uint32_t count = 0;
  const CDEnumHandle handle = ResetCd(count);
  EXPECT_EQ(count, 3u);
  CDSourceInfo info;
  ASSERT_EQ(NextCd(handle, info), kCDOk);
  EXPECT_EQ(Bytes(&info, 8, 64), "Ixus" + std::string(60, '#'));
  EXPECT_EQ(Bytes(&info, 72, 64), "Ixus" + std::string(60, '#'));
  EXPECT_EQ(NextCd(handle, info), kCDErrEnumNotApplicable);
  EXPECT_EQ(NextCd(handle, info), kCDErrEnumNotApplicable);
  EXPECT_EQ(ReleaseCd(handle), kCDOk);

  auto list = std::make_unique<PRDeviceList>();
  std::uint32_t size = kPRDeviceListSize;
  ASSERT_EQ(GetPrList(size, *list), kPROk);
  EXPECT_EQ(list->Count, 151u);
  EXPECT_EQ(size, 4u + kPRDeviceEntrySize);
  const PRDeviceEntry& entry = list->Entries[0];
  EXPECT_EQ(std::u16string(entry.Name, entry.Name + 40), u"S90" + std::u16string(37, u'#'));
  EXPECT_NE(entry.Reserved, 0u);

  const EdsRef eosList = GetEosList();
  EdsRef camera = 0;
  ASSERT_EQ(EosChild(eosList, 0, camera), kEdsOk);
  EdsDeviceInfo eosInfo;
  ASSERT_EQ(EosInfo(camera, eosInfo), kEdsOk);
  EXPECT_EQ(Bytes(&eosInfo, 256, 256), "5D" + std::string(254, '#'));
  EXPECT_NE(eosInfo.DeviceSubType, 0u);
  EXPECT_EQ(EosRelease(eosList), kEdsOk);
  EXPECT_EQ(EosRelease(camera), kEdsOk);
}

}  // namespace
