#include "quensil/quensil_form.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "platform/Application.h"
#include "platform/AsideFile.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "protocol/Protocol.h"

TForm1* Form1 = nullptr;

namespace {

// The first date that day folders are searched from.
constexpr int kFirstYear = 2007;

// Storage folders cam1 to cam9.
constexpr int kStorageFolders = 9;

// Picture names looked for by number at most: 1.jpg to 65536.jpg.
constexpr std::int64_t kPictureNames = 65536;

// Whether the date (year, month, day) comes before `other`, day numbers taken as 1..31 in every
// month.
bool Before(int year, int month, int day, const rt::DateTime& other) {
  if (year != other.Year) return year < other.Year;
  if (month != other.Month) return month < other.Month;
  return day < other.Day;
}

// The next day number, 1..31 in every month.
void Advance(int& year, int& month, int& day) {
  if (++day <= 31) return;
  day = 1;
  if (++month <= 12) return;
  month = 1;
  ++year;
}

}  // namespace

TForm1::TForm1(rt::Component* owner)
    : rt::Form(owner), disk_free(rt::DiskFree), disk_size(rt::DiskSize) {
  Name = "Form1";
  SetCaption("Erasing pics");
  SetBounds(583, 540, 303, 73);

  Edit1 = new rt::Edit(this);
  Edit1->Name = "Edit1";
  Edit1->SetText("Edit1");
  Edit1->SetBounds(8, 8, 273, 21);

  Timer1 = new rt::Timer(this);
  Timer1->Name = "Timer1";
  Timer1->SetInterval(1000);
  Timer1->SetEnabled(true);
  Timer1->SetOnTimer([this](rt::Component* sender) { Timer1Timer(sender); });

  OnCreate = [this](rt::Component* sender) { FormCreate(sender); };
}

void TForm1::FormCreate(rt::Component*) {
  try {
    storage_root = protocol::read_value(protocol::kRecPath, protocol::Check::Checked).text;
    video_folder = protocol::read_value(protocol::kMpgPath, protocol::Check::Checked).text;
  } catch (...) {
    exit_code = 1;  // the application shows the error
    throw;
  }
}

void TForm1::Timer1Timer(rt::Component*) {
  // One pass per run. No later tick may start another, not even while an error box is open.
  Timer1->SetEnabled(false);
  rt::Application& app = rt::Application::Instance();
  try {
    erase_old_pictures();
  } catch (...) {
    // The run is unattended and nobody may be there to close the box: show the error, then end
    // all the same. The end is requested only after the box, which it would otherwise close.
    exit_code = 1;
    app.HandleException(this);
  }
  app.Terminate();
}

void TForm1::erase_old_pictures() {
  search_from_ = {kFirstYear, 1, 1};
  passed_over_.clear();
  deferred_.clear();
  deferred_seen_.clear();
  try {
    erase_pass();
  } catch (...) {
    // An error that ends the pass comes after those it met before.
    deferred_.push_back(std::current_exception());
  }
  const std::vector<std::exception_ptr> errors = std::exchange(deferred_, {});
  if (errors.empty()) return;
  for (std::size_t i = 0; i + 1 < errors.size(); ++i) {
    try {
      std::rethrow_exception(errors[i]);
    } catch (...) {
      rt::Application::Instance().HandleException(this);
    }
  }
  std::rethrow_exception(errors.back());
}

void TForm1::defer(Source source, const rt::EInOutError& error) {
  if (deferred_seen_.emplace(source, error.Message()).second) {
    deferred_.push_back(std::make_exception_ptr(error));
  }
}

void TForm1::erase_pass() {
  // Without a storage root there is no drive letter to take, and a search would look for camN
  // folders at the root of the current drive, which is no picture store. A root or video folder
  // too long for any path names nothing: every search would build some 65,700 paths from it in
  // vain.
  if (storage_root.empty() || !rt::FitsMaxPath(storage_root) || !rt::FitsMaxPath(video_folder))
    return;

  // The drive letter is expected in lower case: 'c' gives 3. Anything else gives a number that
  // names no drive, and the pass ends below without wiping.
  const int drive =
      static_cast<std::uint8_t>(static_cast<unsigned char>(storage_root[0]) - 'a' + 1);

  // Free space and size are queried anew at every comparison, so a wipe counts at once.
  auto half = [&] { return disk_size(drive) / 2; };
  for (;;) {
    find_oldest_day_folder();
    if (disk_free(drive) == -1) return;
    if (found && disk_free(drive) < half()) {
      wipe_day_folder(protocol::path_in(found_folder, protocol::kPreviewFolder));
      wipe_day_folder(protocol::path_in(found_folder, protocol::kHdtvFolder));
      wipe_day_folder(found_folder);
      passed_over_.insert(found_folder);
    }
    if (disk_free(drive) >= half()) return;
    if (!found) return;
  }
}

void TForm1::find_oldest_day_folder() {
  found = false;
  const rt::DateTime today = clock->Now();
  if (today.Year < kFirstYear) return;

  // Every past date in ascending order, today excluded, with day numbers 1..31 in every month;
  // those that are no calendar date are skipped. A pass searches again after each wipe, and
  // the dates before the cursor are known to hold nothing erasable by then.
  int year = search_from_.year, month = search_from_.month, day = search_from_.day;
  for (; Before(year, month, day, today); Advance(year, month, day)) {
    if (!rt::IsValidDate(year, month, day)) continue;
    rt::DateTime date;
    date.Year = year;
    date.Month = month;
    date.Day = day;
    const std::string name = protocol::day_text(date);
    // Of one date, the last that qualifies in the order 1 to 9 is chosen.
    for (int k = 1; k <= kStorageFolders; ++k) {
      std::string folder = protocol::path_in(protocol::storage_folder(storage_root, k), name);
      if (passed_over_.count(folder) != 0) continue;
      // A day folder that is a link leads out of this day of this camera (to another camera's
      // folder of today, or out of the store): it is no day folder to erase.
      if (rt::DirectoryExists(folder) && !rt::IsLink(folder) &&
          day_video_exists(static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month),
                           static_cast<std::uint16_t>(day), k)) {
        found_folder = std::move(folder);
        found = true;
      }
    }
    if (found) break;
  }
  search_from_ = {year, month, day};
}

bool TForm1::day_video_exists(std::uint16_t Year, std::uint16_t Month, std::uint16_t Day, int D) {
  return rt::FileExists(protocol::day_video_path(video_folder, Year, Month, Day, D));
}

void TForm1::wipe_day_folder(const std::string& Dir) {
  // Nothing is erased through a link: a preview or HDTV that leads elsewhere is neither entered
  // nor emptied, and stays in its day folder, which therefore stays too.
  if (rt::IsLink(Dir)) return;
  Edit1->SetText(Dir);
  Edit1->Repaint();

  // erase.log is written as far as it can be; nobody reads it, so it never keeps a folder on
  // the drive. On a full drive the first wipe of a day folder (its preview, often empty) frees
  // nothing before its line must reach the disk. The first step that fails ends the log of this
  // wipe, so that it holds no gap, and its error is kept for the end of the pass; the next wipe
  // tries afresh.
  rt::TextFile log;
  bool logging = true;
  auto log_step = [this, &logging](int code) {
    if (code == rt::kIoOk) return;
    defer(Source::EraseLog, rt::EInOutError(code));
    logging = false;
  };
  log_step(log.OpenWrite(protocol::kEraseLog));
  auto log_line = [&](const std::string& line) {
    if (logging) log_step(log.WriteLine(line));
  };

  const std::string last_serial = protocol::path_in(Dir, protocol::kLastSerial);
  const std::string re_serial = protocol::path_in(Dir, protocol::kReSerial);
  // A serial file that cannot be read counts as 0: the *.jpg sweep below takes the pictures all
  // the same, and the wipe goes on. Its error is kept for the end of the pass, so that one bad
  // file cannot keep this folder, and every later one, on the drive for good.
  auto serial = [this](const std::string& path) -> std::int64_t {
    if (!rt::FileExists(path)) return 0;
    try {
      return protocol::parse_number(protocol::read_value(path, protocol::Check::Checked).text);
    } catch (const rt::EInOutError& error) {
      defer(Source::SerialFile, error);
      return 0;
    }
  };
  const std::int64_t a = serial(last_serial);
  const std::int64_t b = serial(re_serial);

  // Every file that is there when its turn comes gets its line, deleted or not. The delete is
  // tried first: it fails at once for a missing file, and a second existence test is needed
  // only then. Lines are buffered and reach the file later all the same, so a failing write
  // shows at a later step in either order.
  auto erase_logged = [&log_line](const std::string& file) {
    if (!rt::RemoveFile(file) && !rt::FileExists(file)) return;
    log_line("Erasing " + file);
  };
  // Picture numbers are 16-bit, so a serial is at most 65535 and the names up to 65536.jpg are
  // all there is to look for: a serial file holding more (2147483647) must not keep the pass
  // busy for hours. The *.jpg sweep below removes anything else. 64-bit, so that max(a, b) + 1
  // cannot overflow.
  const std::int64_t last = std::min<std::int64_t>(std::max(a, b) + 1, kPictureNames);
  for (std::int64_t i = 1; i <= last; ++i) {
    erase_logged(protocol::path_in(Dir, std::to_string(i) + ".jpg"));
  }
  // The sweep takes what a download killed half way left aside, too: it is no picture, but the
  // folder must go all the same.
  for (const std::string& pattern : {std::string("*.jpg"), rt::AsideName("*.jpg")}) {
    for (const std::string& name : rt::FindFiles(protocol::path_in(Dir, pattern))) {
      rt::RemoveFile(protocol::path_in(Dir, name));
    }
  }
  erase_logged(last_serial);
  erase_logged(re_serial);

  log_line("Erasing dir" + Dir);
  rt::RemoveDir(Dir);
  // Closed after a failed write too: the close may fail for a reason of its own.
  if (log.IsOpen()) log_step(log.Close());
}
