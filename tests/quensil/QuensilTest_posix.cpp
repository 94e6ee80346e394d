// The erase pass driven directly, on a scratch folder with a stand-in drive whose free space the
// test decides: the search order, the stop at half free, unremovable folders, the wipe's log and
// the end of the program after an error.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/Application.h"
#include "platform/Paths.h"
#include "protocol/Protocol.h"
#include "quensil/quensil_form.h"

namespace {

namespace fs = std::filesystem;

struct Date {
  int year, month, day;
};

rt::DateTime At(Date d) {
  rt::DateTime t;
  t.Year = d.year;
  t.Month = d.month;
  t.Day = d.day;
  t.Hour = 12;
  return t;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Touch(const fs::path& path, const std::string& content = "x") {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// A file that exists but that nobody can open, root or not: a socket.
void Unreadable(const fs::path& path) {
  fs::remove(path);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.string().size(), sizeof address.sun_path);
  path.string().copy(address.sun_path, sizeof address.sun_path - 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

// A scratch working directory holding a store and a video folder; the form under test works in
// it with today's date 8 December 2026 and a drive that stays less than half free unless a test
// says otherwise.
class QuensilTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/quensil-test-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    scratch_ = name;
    fs::create_directories(scratch_ / "work");
    fs::create_directories(scratch_ / "videos");
    saved_cwd_ = fs::current_path();
    fs::current_path(scratch_ / "work");
    form_ = new TForm1(nullptr);
    form_->Timer1->SetEnabled(false);
    form_->storage_root = (scratch_ / "store").string();
    form_->video_folder = (scratch_ / "videos").string();
    form_->clock = &clock_;
    clock_.Set(At({2026, 12, 8}));
    form_->disk_size = [](int) { return std::int64_t{1000}; };
    form_->disk_free = [this](int) { return Query(); };
  }

  void TearDown() override {
    delete form_;
    fs::current_path(saved_cwd_);
    fs::remove_all(scratch_);
  }

  // The free space, and a note of every tracked folder that has vanished since the last query:
  // the order of the wipes. A pass that keeps querying has lost its way.
  std::int64_t Query() {
    if (++queries_ > 1000) throw std::runtime_error("the pass does not end");
    for (const auto& [path, label] : tracked_) {
      if (!fs::exists(path) && std::find(gone_.begin(), gone_.end(), label) == gone_.end())
        gone_.push_back(label);
    }
    return free_ ? free_() : 0;
  }

  // The native path of day folder `date` in storage folder `k`.
  fs::path Folder(int k, Date date) const {
    return scratch_ / "store" / ("cam" + std::to_string(k)) / protocol::day_text(At(date));
  }

  // A day folder with two pictures and serial files, with or without its day video.
  fs::path Day(int k, Date date, bool video, const std::string& label = "") {
    fs::path folder = Folder(k, date);
    Touch(folder / "1.jpg");
    Touch(folder / "2.jpg");
    Touch(folder / "last_serial", "2\r\n");
    Touch(folder / "re_serial", "2\r\n");
    Touch(folder / "preview" / "1.jpg");
    Touch(folder / "HDTV" / "1.jpg");
    if (video) {
      Touch(scratch_ / "videos" /
            protocol::day_video_path("", date.year, date.month, date.day, k).substr(1));
    }
    if (!label.empty()) tracked_.emplace_back(folder, label);
    return folder;
  }

  fs::path scratch_, saved_cwd_;
  rt::ManualClock clock_;
  TForm1* form_ = nullptr;
  std::function<std::int64_t()> free_;
  int queries_ = 0;
  std::vector<std::pair<fs::path, std::string>> tracked_;
  std::vector<std::string> gone_;
};

// Earliest date first, of one date the highest storage number first; today's folder, folders
// without a video, later days and impossible dates stay.
TEST_F(QuensilTest, WipesOldestErasableFoldersInOrder) {
  Day(2, {2025, 3, 5}, true, "cam2 2025-03-05");
  Day(5, {2025, 3, 5}, true, "cam5 2025-03-05");
  Day(9, {2025, 3, 5}, true, "cam9 2025-03-05");
  Day(8, {2025, 3, 5}, true, "cam8 2025-03-05");
  const fs::path same_day_no_video = Day(1, {2025, 3, 5}, false);
  Day(7, {2007, 2, 1}, true, "cam7 2007-02-01");
  Day(4, {2025, 6, 15}, true, "cam4 2025-06-15");
  Day(9, {2025, 12, 20}, true, "cam9 2025-12-20");  // after today's day number, a year before
  Day(1, {2026, 12, 7}, true, "cam1 yesterday");
  const fs::path no_video = Day(3, {2024, 1, 10}, false);
  const fs::path today = Day(1, {2026, 12, 8}, true);
  const fs::path tomorrow = Day(6, {2026, 12, 9}, true);
  const fs::path impossible = Day(8, {2025, 2, 30}, true);

  form_->erase_old_pictures();

  EXPECT_EQ(gone_, (std::vector<std::string>{
                       "cam7 2007-02-01", "cam9 2025-03-05", "cam8 2025-03-05", "cam5 2025-03-05",
                       "cam2 2025-03-05", "cam4 2025-06-15", "cam9 2025-12-20", "cam1 yesterday"}));
  for (const fs::path& kept : {no_video, same_day_no_video, today, tomorrow, impossible}) {
    EXPECT_TRUE(fs::exists(kept / "1.jpg")) << kept;
  }
  EXPECT_FALSE(form_->found);
}

// The walk starts on 1 January 2007: an older folder is never found, though it has its video
// and the drive stays full.
TEST_F(QuensilTest, NothingIsSearchedBefore2007) {
  const fs::path older = Day(1, {2006, 12, 31}, true, "2006-12-31");
  Day(1, {2007, 1, 1}, true, "2007-01-01");
  form_->erase_old_pictures();
  EXPECT_EQ(gone_, std::vector<std::string>{"2007-01-01"});
  EXPECT_TRUE(fs::exists(older / "1.jpg"));
  EXPECT_FALSE(form_->found);
}

// Each wipe frees 60 of 1001 bytes; half is 500 (truncated). From 200 free, five wipes reach
// exactly half, and the pass ends there. A drive that starts at half free is not touched, and
// neither is erase.log.
TEST_F(QuensilTest, StopsWhenHalfIsFree) {
  form_->disk_size = [](int) { return std::int64_t{1001}; };
  for (int day = 1; day <= 7; ++day) Day(1, {2026, 1, day}, true, std::to_string(day));
  free_ = [this] { return std::int64_t{200 + 60 * static_cast<int>(gone_.size())}; };
  form_->erase_old_pictures();
  EXPECT_EQ(gone_, (std::vector<std::string>{"1", "2", "3", "4", "5"}));

  Touch("erase.log", "previous\r\n");
  std::erase_if(tracked_, [](const auto& entry) { return !fs::exists(entry.first); });
  gone_.clear();
  Day(1, {2026, 2, 1}, true, "later");
  free_ = [] { return std::int64_t{500}; };
  form_->erase_old_pictures();
  EXPECT_TRUE(gone_.empty());
  EXPECT_EQ(ReadFile("erase.log"), "previous\r\n");

  free_ = [] { return std::int64_t{499}; };
  form_->erase_old_pictures();
  EXPECT_EQ(gone_, (std::vector<std::string>{"6", "7", "later"}));
}

// The drive number comes from the first character of the storage root: 'c' is drive 3; an
// upper-case letter names no drive, the query fails and nothing is wiped. Without a storage
// root there is no pass at all.
TEST_F(QuensilTest, DriveNumberAndUnusableDrives) {
  std::vector<int> drives;
  form_->disk_free = [&drives](int drive) {
    drives.push_back(drive);
    return std::int64_t{-1};
  };
  const fs::path folder = Day(1, {2026, 1, 1}, true);
  Touch("erase.log", "previous\r\n");

  form_->storage_root = "c:\\store";
  form_->erase_old_pictures();
  form_->storage_root = "C:\\store";
  form_->erase_old_pictures();
  EXPECT_EQ(drives, (std::vector<int>{3, 227}));

  // Without a storage root, or with a root or video folder too long for any path, there is no
  // search and no query.
  drives.clear();
  form_->storage_root = "";
  form_->erase_old_pictures();
  form_->storage_root = "c:\\" + std::string(rt::kMaxPath, 'x');
  form_->erase_old_pictures();
  form_->storage_root = "c:\\store";
  form_->video_folder = "c:\\" + std::string(rt::kMaxPath, 'v');
  form_->erase_old_pictures();
  EXPECT_TRUE(drives.empty());
  form_->video_folder = (scratch_ / "videos").string();

  form_->storage_root = (scratch_ / "store").string();
  form_->erase_old_pictures();  // the real folder, on a drive that cannot be queried
  EXPECT_TRUE(fs::exists(folder / "1.jpg"));
  EXPECT_EQ(ReadFile("erase.log"), "previous\r\n");
}

// A folder that its wipe cannot remove is wiped once; the pass goes on with the next folders
// and ends when none is left, though the drive is still less than half free.
TEST_F(QuensilTest, UnremovableFolderIsPassedOver) {
  const fs::path stray = Day(1, {2020, 1, 1}, true);
  Touch(stray / "notes.txt");
  const fs::path stray_hdtv = Day(2, {2020, 1, 1}, true);
  Touch(stray_hdtv / "HDTV" / "clip.mov");
  Day(1, {2021, 1, 1}, true, "2021");
  Day(1, {2022, 1, 1}, true, "2022");

  form_->erase_old_pictures();

  EXPECT_EQ(gone_, (std::vector<std::string>{"2021", "2022"}));
  EXPECT_TRUE(fs::exists(stray / "notes.txt"));
  EXPECT_FALSE(fs::exists(stray / "1.jpg"));
  EXPECT_FALSE(fs::exists(stray / "preview"));
  EXPECT_TRUE(fs::exists(stray_hdtv / "HDTV" / "clip.mov"));
  EXPECT_FALSE(fs::exists(stray_hdtv / "last_serial"));
  EXPECT_FALSE(form_->found);
}

// Pictures 1 to max(last_serial, re_serial) + 1 are looked for by number and logged; every
// other .jpg goes without a line; anything else stays, and so does the folder.
TEST_F(QuensilTest, WipeLogsWhatItDeletesByName) {
  const fs::path dir = scratch_ / "day";
  // 10.jpg.part: what a download killed half way left aside. It is no picture, but it must not
  // keep the folder.
  for (const char* name : {"1.jpg", "2.jpg", "3.jpg", "5.jpg", "8.jpg", "9.jpg", "20.jpg", "x.JPG",
                           "01.jpg", "10.jpg.part"}) {
    Touch(dir / name);
  }
  Touch(dir / "last_serial", "5\r\n");
  Touch(dir / "re_serial", " 7xyz\r\n");
  const std::string d = dir.string();

  form_->wipe_day_folder(d);

  EXPECT_EQ(ReadFile("erase.log"), "Erasing " + d + "\\1.jpg\r\n" + "Erasing " + d + "\\2.jpg\r\n" +
                                       "Erasing " + d + "\\3.jpg\r\n" + "Erasing " + d +
                                       "\\5.jpg\r\n" + "Erasing " + d + "\\8.jpg\r\n" + "Erasing " +
                                       d + "\\last_serial\r\n" + "Erasing " + d +
                                       "\\re_serial\r\n" + "Erasing dir" + d + "\r\n");
  EXPECT_FALSE(fs::exists(dir));
  EXPECT_EQ(form_->Edit1->Text(), d);

  // Without serial files only picture 1 is looked for by number; a stray file keeps the folder.
  Touch(dir / "1.jpg");
  Touch(dir / "2.jpg");
  Touch(dir / "Thumbs.db");
  form_->wipe_day_folder(d);
  EXPECT_EQ(ReadFile("erase.log"), "Erasing " + d + "\\1.jpg\r\n" + "Erasing dir" + d + "\r\n");
  EXPECT_FALSE(fs::exists(dir / "2.jpg"));
  EXPECT_TRUE(fs::exists(dir / "Thumbs.db"));
}

// A serial file that cannot be read counts as 0: its folder is wiped all the same and the pass
// goes on; the error is shown once the pass is over. When erase.log then fails too, the pass still
// goes on, and both errors are shown, the serial file's first.
TEST_F(QuensilTest, UnreadableSerialFileDoesNotStopTheErasing) {
  const fs::path bad = Day(1, {2020, 1, 1}, true, "bad");
  Touch(bad / "9.jpg");
  Unreadable(bad / "last_serial");
  Day(1, {2021, 1, 1}, true, "2021");
  Day(1, {2022, 1, 1}, true, "2022");
  const auto run = [this] {
    ::testing::internal::CaptureStderr();
    form_->Timer1Timer(form_->Timer1);
    return ::testing::internal::GetCapturedStderr();
  };

  std::string box = run();
  ASSERT_EQ(gone_, (std::vector<std::string>{"bad", "2021", "2022"}));
  EXPECT_NE(box.find("I/O error 6"), std::string::npos) << box;

  Unreadable(Day(1, {2023, 1, 1}, true, "2023") / "re_serial");
  Day(1, {2024, 1, 1}, true, "2024");
  free_ = [this] {
    if (std::count(gone_.begin(), gone_.end(), "2023") != 0 && !fs::is_directory("erase.log")) {
      fs::remove("erase.log");
      fs::create_directory("erase.log");  // cannot be opened as a file
    }
    return std::int64_t{0};
  };
  box = run();
  EXPECT_EQ(gone_.back(), "2024");
  const std::size_t serial = box.find("I/O error 6");
  EXPECT_NE(serial, std::string::npos) << box;
  EXPECT_NE(box.find("File access denied.", serial), std::string::npos) << box;
}

// erase.log that cannot be created does not stop the erasing. Its error is shown once, however
// many wipes met it, when the pass is over; the program ends instead of ticking on, with a
// status that tells the failure. A clean pass ends with status 0.
TEST_F(QuensilTest, EraseLogFailureIsShownOnceTheErasingIsDone) {
  const auto run = [this] {
    ::testing::internal::CaptureStderr();
    form_->Timer1->SetEnabled(true);
    form_->Timer1Timer(form_->Timer1);
    return ::testing::internal::GetCapturedStderr();
  };
  Day(1, {2026, 1, 1}, true, "2026-01-01");
  EXPECT_EQ(run(), "");
  EXPECT_EQ(form_->exit_code, 0);

  Day(1, {2026, 1, 2}, true, "2026-01-02");
  Day(1, {2026, 1, 3}, true, "2026-01-03");
  fs::remove("erase.log");
  fs::create_directory("erase.log");  // cannot be created as a file
  EXPECT_EQ(run(), rt::Application::Instance().Title + ": File access denied.\n");
  EXPECT_EQ(gone_, (std::vector<std::string>{"2026-01-01", "2026-01-02", "2026-01-03"}));
  EXPECT_FALSE(form_->Timer1->Enabled());
  EXPECT_TRUE(rt::Application::Instance().Terminated());
  EXPECT_EQ(form_->exit_code, 1);
}

}  // namespace
