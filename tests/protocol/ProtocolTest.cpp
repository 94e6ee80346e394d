#include "protocol/Protocol.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/Errors.h"

namespace {

namespace fs = std::filesystem;
using protocol::Check;
using namespace std::string_literals;

// Runs each test in a fresh scratch folder that is the working directory.
class ProtocolFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    std::random_device random;
    do {
      scratch_ = fs::temp_directory_path() / ("protocol_test_" + std::to_string(random()));
    } while (!fs::create_directory(scratch_));
    fs::current_path(scratch_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(scratch_);
  }
  static void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }
  static std::string Get(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  fs::path previous_, scratch_;
};

TEST(ParseNumber, ReadsTheLeadingNumber) {
  const struct {
    const char* text;
    std::int32_t value;
  } cases[] = {
      {"1", 1},
      {"  1", 1},
      {"01", 1},
      {"1abc", 1},
      {"12a", 12},
      {"0 ", 0},
      {"", 0},
      {"abc", 0},
      {" -3", -3},
      {"-3x", 3},
      {"- 3", 0},
      {"+5", 5},
      {"\t5", 0},
      {"$1F", 31},
      {"x10", 16},
      {"X1f", 31},
      {"0x1g", 1},
      {"0X10", 16},
      {"0x", 0},
      {"-$10", -16},
      {"-0x10 ", 16},
      {"$g", 0},
      {"1 2", 1},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", INT32_MIN},
      {"4294967297", 1},
      {"$FFFFFFFF", -1},
      {"65537", 65537},
      {"123456789012", -1097262572},  // 123456789012 mod 2^32, as signed
  };
  for (const auto& c : cases) EXPECT_EQ(protocol::parse_number(c.text), c.value) << c.text;
  EXPECT_EQ(protocol::parse_number(std::string_view("7\0"
                                                    "9",
                                                    3)),
            7);
}

TEST_F(ProtocolFiles, ReadsFirstLinesAsWritten) {
  const std::size_t kBig = 5u << 20;
  const struct {
    std::string bytes, first, second;
  } cases[] = {
      {"12\r\n34\r\n", "12", "34"},
      {"12\n34", "12", "34"},
      {"12\r34\r", "12\r34\r", ""},  // a lone CR ends no line
      {"0\r", "0\r", ""},
      {"12", "12", ""},
      {"", "", ""},
      {"\r\n\r\n", "", ""},
      {" 0 \r\n", " 0 ", ""},
      {"a\0b\032c\r\nd"s, "a\0b\032c"s, "d"},  // NUL and character 26 are text
      {std::string(kBig, 'x') + "\r\n2", std::string(kBig, 'x'), "2"},
      {std::string(65535, 'y') + "\r\nz", std::string(65535, 'y'), "z"},
  };
  for (const auto& c : cases) {
    Put("f", c.bytes);
    for (Check check : {Check::Checked, Check::Unchecked}) {
      protocol::Value v = protocol::read_value("f", check);
      EXPECT_TRUE(v.ok);
      EXPECT_EQ(v.text, c.first) << c.bytes.substr(0, 20);
      protocol::TwoValues two = protocol::read_two_values("f", check);
      EXPECT_TRUE(two.ok);
      EXPECT_EQ(two.first, c.first);
      EXPECT_EQ(two.second, c.second) << c.bytes.substr(0, 20);
    }
  }
}

TEST_F(ProtocolFiles, ReadFailures) {
  fs::create_directory("dir");
  const struct {
    std::string path;
    int code;
    const char* message;
  } cases[] = {
      {"missing", 2, "File not found"},
      {"nofolder\\missing", 3, "Invalid filename"},
      {"dir", 5, "File access denied"},
  };
  for (const auto& c : cases) {
    try {
      protocol::read_value(c.path, Check::Checked);
      ADD_FAILURE() << c.path << " did not raise";
    } catch (const rt::EInOutError& e) {
      EXPECT_EQ(e.ErrorCode, c.code);
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_THROW(protocol::read_two_values(c.path, Check::Checked), rt::EInOutError);
    protocol::Value v = protocol::read_value(c.path, Check::Unchecked);
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(v.text, "");
    EXPECT_FALSE(protocol::read_two_values(c.path, Check::Unchecked).ok);
  }
}

TEST_F(ProtocolFiles, WriteValueReplacesTheFileWithOneLine) {
  Put("cam1.free", "a much longer earlier content\r\nsecond line\r\n");
  EXPECT_TRUE(protocol::write_value("cam1.free", "0", Check::Checked));
  EXPECT_EQ(Get("cam1.free"), "0\r\n");
  EXPECT_TRUE(protocol::write_value("empty", "", Check::Unchecked));
  EXPECT_EQ(Get("empty"), "\r\n");
  fs::create_directory("config");
  EXPECT_TRUE(protocol::write_value("config\\CAM A.mode", "65535", Check::Checked));
  EXPECT_EQ(protocol::parse_number(protocol::read_value("config\\CAM A.mode", Check::Checked).text),
            65535);

  EXPECT_FALSE(protocol::write_value("errors\\log", "x", Check::Unchecked));
  try {
    protocol::write_value("errors\\log", "x", Check::Checked);
    ADD_FAILURE() << "no raise";
  } catch (const rt::EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, 3);
  }
  EXPECT_FALSE(fs::exists("errors"));
}

TEST_F(ProtocolFiles, OneLineIntervalsGiveANightIntervalOfZero) {
  Put("config.intervals", "10\r\n");
  protocol::TwoValues v = protocol::read_two_values("config.intervals", Check::Checked);
  EXPECT_EQ(protocol::parse_number(v.first), 10);
  EXPECT_EQ(protocol::parse_number(v.second), 0);
}

TEST(Names, BuildProtocolPaths) {
  EXPECT_EQ(protocol::dash_separators("a b/c\\d.e:f"), "a-b-c-d.e:f");
  EXPECT_EQ(protocol::storage_folder("d:\\pics", 2), "d:\\pics\\cam2");
  EXPECT_EQ(protocol::storage_folder("", 9), "\\cam9");
  EXPECT_EQ(protocol::picture_path("d:\\pics\\cam2\\x", 65535), "d:\\pics\\cam2\\x\\65535.jpg");
  EXPECT_EQ(protocol::setting_file("CAM.1", protocol::kSizeKey), "config\\CAM.1.size");
  EXPECT_EQ(protocol::slot_file(3, protocol::kFreeSuffix), "cam3.free");
  EXPECT_EQ(protocol::day_video_path("v:\\mpg", 2026, 3, 5, 2), "v:\\mpg\\2026.03.05.cam2.mpg");
  EXPECT_EQ(protocol::day_video_path("", 2026, 12, 31, 9), "\\2026.12.31.cam9.mpg");
}

TEST(Names, ErrorLogNames) {
  EXPECT_EQ(protocol::error_log_name("12/8/2026", "14:03:07", "CAM A"),
            "12-8-202614_03_07_CAM A_error_log");
  EXPECT_EQ(protocol::error_log_name("12/8/2026", "14:03:07", "CAM.1"),
            "12-8-202614_03_07_CAM_1_error_log");
  EXPECT_EQ(protocol::error_log_name("08.12.2026", "14:03:07", ""),
            "08_12_202614_03_07__error_log");
  EXPECT_EQ(protocol::error_log_name("12\\8 2026", "2:03:07 PM", "a/b"),
            "12-8-20262_03_07-PM_a/b_error_log");
}

// Runs the body under an LC_TIME locale and restores the previous one afterwards.
class UnderTimeLocale {
 public:
  explicit UnderTimeLocale(const char* name) : saved_(std::setlocale(LC_TIME, nullptr)) {
    ok_ = std::setlocale(LC_TIME, name) != nullptr;
  }
  ~UnderTimeLocale() { std::setlocale(LC_TIME, saved_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::string saved_;
  bool ok_ = false;
};

TEST(Names, DayNamesFollowTheRegionalDateFormat) {
  const rt::DateTime now{2026, 12, 8, 14, 3, 7, 0};
  {
    UnderTimeLocale c("C");
    const std::string day = protocol::day_text(now);
    EXPECT_EQ(day.find_first_of(" /\\"), std::string::npos) << day;
    EXPECT_EQ(protocol::day_folder("d:\\pics", 2, now), "d:\\pics\\cam2\\" + day);
    EXPECT_EQ(protocol::error_log_path(now, "CAM.1"),
              "errors\\" +
                  protocol::error_log_name(rt::ShortDateText(now), rt::LongTimeText(now), "CAM.1"));
  }
  UnderTimeLocale de("de_DE.UTF-8");
  if (!de.ok()) GTEST_SKIP() << "locale de_DE.UTF-8 is not available";
  EXPECT_EQ(protocol::day_text(now), "08.12.2026");
  EXPECT_EQ(protocol::day_folder("d:\\pics", 2, now), "d:\\pics\\cam2\\08.12.2026");
  EXPECT_EQ(protocol::error_log_path(now, "CAM A"), "errors\\08_12_202614_03_07_CAM A_error_log");
}

}  // namespace
