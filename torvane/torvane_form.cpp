#include "torvane/torvane_form.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <tuple>

#include "platform/Application.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "protocol/Protocol.h"

namespace torvane_form {

TForm1* Form1 = nullptr;

namespace {

using protocol::Check;
using namespace CamDefines;

constexpr int kSlots = 9;
constexpr int kStorageDirs = 9;

// Hours at which night (evening) and day (morning) begin, by month.
struct MonthHours {
  std::int32_t evening;
  std::int32_t morning;
};
constexpr MonthHours kMonthHours[12] = {
    {17, 7}, {18, 6}, {19, 5}, {20, 5}, {21, 4}, {22, 4},
    {22, 4}, {21, 5}, {20, 5}, {19, 6}, {18, 6}, {17, 7},
};

const MonthHours& hours_of_month(int month) {
  return kMonthHours[std::clamp(month, 1, 12) - 1];
}

rt::DateTime at_hour(const rt::DateTime& date, std::int32_t hour) {
  rt::DateTime at;
  at.Year = date.Year;
  at.Month = date.Month;
  at.Day = date.Day;
  at.Hour = hour;
  return at;
}

rt::DateTime day_before(rt::DateTime date) {
  if (date.Day > 1) {
    --date.Day;
    return date;
  }
  if (date.Month > 1) {
    --date.Month;
  } else {
    date.Month = 12;
    --date.Year;
  }
  date.Day = 31;
  while (date.Day > 28 && !rt::IsValidDate(date.Year, date.Month, date.Day)) --date.Day;
  return date;
}

bool earlier(const rt::DateTime& a, const rt::DateTime& b) {
  return std::tie(a.Year, a.Month, a.Day, a.Hour, a.Minute, a.Second, a.Millisecond) <
         std::tie(b.Year, b.Month, b.Day, b.Hour, b.Minute, b.Second, b.Millisecond);
}

// The last morning or evening that began at or before `now`, and the mode it begins: today's
// evening or morning by today's hours, or else yesterday's evening by yesterday's month. However
// long ticks have been missing, that one boundary decides; no day in between matters.
struct Boundary {
  rt::DateTime at;
  std::int32_t mode;
};
Boundary latest_boundary(const rt::DateTime& now) {
  const MonthHours& today = hours_of_month(now.Month);
  if (now.Hour >= today.evening) return {at_hour(now, today.evening), 1};
  if (now.Hour >= today.morning) return {at_hour(now, today.morning), 0};
  const rt::DateTime yesterday = day_before(now);
  return {at_hour(yesterday, hours_of_month(yesterday.Month).evening), 1};
}

// A folder under a picture's name takes its number as much as a picture does.
bool entry_exists(const std::string& path) {
  return rt::FileExists(path) || rt::DirectoryExists(path);
}

// Shooting-setting indexes that the day and night settings use.
constexpr std::uint8_t kShutterPriority = 17;
constexpr std::uint8_t kTv15s = 5;
constexpr std::uint8_t kTv10s = 7;
constexpr std::uint8_t kTv5s = 10;
constexpr std::uint8_t kIso400 = 11;
constexpr std::uint8_t kIso200 = 8;
constexpr std::uint8_t kIso100 = 5;
constexpr std::uint8_t kIso50 = 2;
constexpr std::uint8_t kIsoAuto = 1;
constexpr std::uint8_t kFlashOff = 1;

// ImageSize index by ".size" value 0..5.
constexpr std::uint8_t kImageSizes[6] = {1, 2, 4, 5, 6, 3};

std::string storage_file(const std::string& root, int dir, const char* name) {
  return protocol::path_in(protocol::storage_folder(root, dir), name);
}

// The low 16 bits of a setting's number, as the tick compares it.
std::int32_t low16(std::int32_t value) {
  return static_cast<std::int32_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(value)));
}

}  // namespace

TForm1::TForm1(rt::Component* AOwner) : rt::Form(AOwner) {
  Name = "Form1";
  SetCaption("Form1");
  SetBounds(206, 461, 400, 85);

  Edit1 = new rt::Edit(this);
  Edit1->Name = "Edit1";
  Edit1->SetText("Edit1");
  Edit1->SetBounds(0, 8, 313, 21);

  Lumidor1 = new Lumidor::TLumidor(this);
  Lumidor1->Name = "Lumidor1";
  Lumidor1->OnRemoteEvent = [this](Lumidor::RemoteEventCallbackType Event,
                                   const Lumidor::AdditionNotifyRemoteEventType& EventData) {
    Lumidor1RemoteEvent(Event, EventData);
  };

  Timer2 = new rt::Timer(this);
  Timer2->Name = "Timer2";
  Timer2->SetEnabled(false);
  Timer2->SetInterval(5000);
  Timer2->SetOnTimer([this](rt::Component* Sender) { Timer2Timer(Sender); });

  OnCreate = [this](rt::Component* Sender) { FormCreate(Sender); };
}

// ---- Start-up

void TForm1::FormCreate(rt::Component* /*Sender*/) {
  main_thread_ = std::this_thread::get_id();
  trace("Form Create");

  storage_root = protocol::read_value(protocol::kRecPath, Check::Unchecked).text;
  if (!rt::DirectoryExists(storage_root)) rt::CreateDir(storage_root);
  for (int D = 1; D <= kStorageDirs; ++D) {
    const std::string folder = protocol::storage_folder(storage_root, D);
    if (!rt::DirectoryExists(folder)) rt::CreateDir(folder);
  }

  camera_error = false;
  af_lock_wanted = false;
  af_locked = false;
  night_mode_enabled = 1;

  rt::Application::Instance().OnException = [this](rt::Component* Sender, const std::exception& E) {
    on_app_exception(Sender, E);
  };

  claim_camera_slot();
  if (camera_slot == 0) {
    rt::Application::Instance().Terminate();
    return;
  }

  const Lumidor::CameraListsType lists = Lumidor1->EnumerateCameras();
  const Lumidor::TStringList empty;
  const Lumidor::TStringList& names = lists.PowerShotNames ? *lists.PowerShotNames : empty;
  if (names.empty()) {
    log_error("Cams not found error");
    const protocol::Value count = protocol::read_value(protocol::kCamsNotFound, Check::Unchecked);
    // Wraps at the top of the 32-bit range rather than overflowing.
    const std::int32_t n =
        count.ok ? static_cast<std::int32_t>(
                       static_cast<std::uint32_t>(protocol::parse_number(count.text)) + 1u)
                 : 1;
    protocol::write_value(protocol::kCamsNotFound, std::to_string(n), Check::Unchecked);
    protocol::write_value(protocol::kCamsError, "1", Check::Unchecked);
  }

  const std::size_t index = camera_slot - 1u;
  if (index >= names.size()) rt::ListIndexError(static_cast<long long>(index));
  camera_name = names[index];
  set_status(camera_name);

  Lumidor1->Connect(1, static_cast<std::int32_t>(index));
  Lumidor1->EnterRemoteMode(ReleaseModeOnlyToPC, ReleaseDataKindTakeOnlyPicture, false, ".");
  working_params = Lumidor1->RemoteGetParams();
  day_shooting_mode = working_params.ShootingMode;
  trace("Cam connected");

  select_storage_dir();

  // The next picture number of today.
  const std::string day = protocol::day_folder(storage_root, storage_dir, clock->Now());
  const std::string last_serial = protocol::path_in(day, protocol::kLastSerial);
  const std::string re_serial = protocol::path_in(day, protocol::kReSerial);
  if (rt::FileExists(last_serial)) {
    const std::int32_t last =
        protocol::parse_number(protocol::read_value(last_serial, Check::Checked).text);
    picture_serial = static_cast<std::uint16_t>(static_cast<std::uint16_t>(last) + 1u);
  } else {
    picture_serial = 1;
  }
  if (rt::FileExists(re_serial)) {
    // 32-bit arithmetic, wrapping like the number it was read as.
    const std::int32_t v =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(protocol::parse_number(
                                      protocol::read_value(re_serial, Check::Checked).text)) +
                                  1u);
    if (v > picture_serial) picture_serial = static_cast<std::uint16_t>(v);
  }
  // A folder that holds every number leaves the number as it is, and the download handler
  // reports it.
  next_free_serial(day);

  // Settings.
  const std::string size_file = protocol::setting_file(camera_name, protocol::kSizeKey);
  if (rt::FileExists(size_file)) {
    current_size = protocol::parse_number(protocol::read_value(size_file, Check::Checked).text);
    switch_size(current_size);
  } else {
    current_size = 0;
  }
  const std::string night_mode_file = protocol::setting_file(camera_name, protocol::kNightModeKey);
  night_mode_enabled =
      rt::FileExists(night_mode_file)
          ? protocol::parse_number(protocol::read_value(night_mode_file, Check::Checked).text)
          : 1;
  const std::string intervals_file = protocol::setting_file(camera_name, protocol::kIntervalsKey);
  if (rt::FileExists(intervals_file)) {
    const protocol::TwoValues lines = protocol::read_two_values(intervals_file, Check::Checked);
    day_interval = protocol::parse_number(lines.first);
    night_interval = protocol::parse_number(lines.second);
  } else {
    day_interval = 5;
    night_interval = 20;
  }
  report_interval("Day", day_interval);
  report_interval("Night", night_interval);
  const std::string af_lock_file = protocol::setting_file(camera_name, protocol::kAfLockKey);
  af_lock_wanted = rt::FileExists(af_lock_file) &&
                   protocol::read_value(af_lock_file, Check::Checked).text == "1";
  const std::string iso_file = protocol::setting_file(camera_name, protocol::kIsoKey);
  night_iso = rt::FileExists(iso_file)
                  ? protocol::parse_number(protocol::read_value(iso_file, Check::Checked).text)
                  : 100;
  const std::string exp_file = protocol::setting_file(camera_name, protocol::kNightExpKey);
  night_exposure = rt::FileExists(exp_file)
                       ? protocol::parse_number(protocol::read_value(exp_file, Check::Checked).text)
                       : 10;

  // The first day/night choice goes by the hour alone.
  set_day_night_hours();
  const rt::DateTime now = clock->Now();
  Switch_mode(now.Hour < morning_hour || now.Hour >= evening_hour ? 1 : 0);
  previous_check = now;

  const std::string zoom_file = protocol::setting_file(camera_name, protocol::kZoomKey);
  if (rt::FileExists(zoom_file)) {
    current_zoom = protocol::parse_number(protocol::read_value(zoom_file, Check::Checked).text);
    set_zoom_pos(current_zoom);
  } else {
    current_zoom = 0;
  }

  Timer2->SetEnabled(true);
  trace("Timer start");
}

void TForm1::claim_camera_slot() {
  camera_slot = 0;
  for (int N = 1; N <= kSlots; ++N) {
    const std::string file = protocol::slot_file(N, protocol::kFreeSuffix);
    if (rt::FileExists(file)) {
      const std::string text = protocol::read_value(file, Check::Checked).text;
      if (camera_slot == 0 && protocol::parse_number(text) == 1) {
        camera_slot = static_cast<std::uint16_t>(N);
      }
    } else if (camera_slot == 0) {
      camera_slot = static_cast<std::uint16_t>(N);
    }
  }
  if (camera_slot != 0) {
    protocol::write_value(protocol::slot_file(camera_slot, protocol::kFreeSuffix), "0",
                          Check::Checked);
  }
}

void TForm1::select_storage_dir() {
  storage_dir = 0;
  for (int D = 1; D <= kStorageDirs; ++D) {
    const std::string owner = storage_file(storage_root, D, protocol::kCamTypeFile);
    if (!rt::FileExists(owner)) continue;
    if (protocol::read_value(owner, Check::Checked).text == camera_name && !storage_dir_in_use(D)) {
      storage_dir = static_cast<std::uint16_t>(D);
    }
  }
  if (storage_dir == 0) {
    storage_dir = static_cast<std::uint16_t>(first_free_storage_dir());
    protocol::write_value(storage_file(storage_root, storage_dir, protocol::kCamTypeFile),
                          camera_name, Check::Checked);
  }
  protocol::write_value(storage_file(storage_root, storage_dir, protocol::kCamDirFile), "1",
                        Check::Checked);
  protocol::write_value(protocol::slot_file(camera_slot, protocol::kTypeSuffix), camera_name,
                        Check::Checked);
  protocol::write_value(protocol::slot_file(camera_slot, protocol::kDirSuffix),
                        std::to_string(storage_dir), Check::Checked);
}

bool TForm1::storage_dir_in_use(int D) {
  const std::string file = storage_file(storage_root, D, protocol::kCamDirFile);
  return rt::FileExists(file) && protocol::read_value(file, Check::Checked).text != "0";
}

int TForm1::first_free_storage_dir() {
  for (int D = 1; D <= kStorageDirs; ++D) {
    if (!storage_dir_in_use(D)) return D;
  }
  return 1;
}

// ---- The tick

std::uint32_t TForm1::tick_interval_ms(std::int32_t seconds) {
  const std::int32_t bounded = std::clamp(seconds, kMinIntervalSeconds, kMaxIntervalSeconds);
  return static_cast<std::uint32_t>(bounded) * 1000u;
}

// An interval the timer cannot run is reported once, at start; the tick then uses the nearest
// one it can run, so the program goes on ticking and keeps seeing "cams.run_state".
void TForm1::report_interval(const char* which, std::int32_t seconds) {
  if (seconds >= kMinIntervalSeconds && seconds <= kMaxIntervalSeconds) return;
  log_error(std::string(which) + " interval " + std::to_string(seconds) +
            " s out of range, using " + std::to_string(tick_interval_ms(seconds) / 1000u) + " s");
}

void TForm1::Timer2Timer(rt::Component* /*Sender*/) {
  Hide();
  trace("Timer 2 entry");
  apply_pending_status();

  if (protocol::read_value(protocol::kRunState, Check::Unchecked).text == "0") {
    rt::Application::Instance().Terminate();
  }

  camera_error = rt::FileExists(protocol::kCamsError) &&
                 protocol::read_value(protocol::kCamsError, Check::Unchecked).text == "1";
  if (camera_error) return;

  // Day or night begins when a morning or evening has passed since the previous check, also
  // when ticks were missing across it (a camera error, a long interval, the PC asleep). Between
  // boundaries the mode set by ".mode" or at start stays. A failed switch leaves the previous
  // check as it was, so the next tick tries again.
  set_day_night_hours();
  const rt::DateTime now = clock->Now();
  const Boundary boundary = latest_boundary(now);
  if (earlier(previous_check, boundary.at)) Switch_mode(boundary.mode);
  previous_check = now;

  auto setting = [this](const char* key, std::int32_t& v) {
    const protocol::Value value =
        protocol::read_value(protocol::setting_file(camera_name, key), Check::Unchecked);
    if (value.ok) v = low16(protocol::parse_number(value.text));
    return value.ok;
  };
  std::int32_t v = 0;
  if (mode_unwritten_) write_mode();
  if (!mode_unwritten_ && setting(protocol::kModeKey, v) && v != current_mode) Switch_mode(v);
  if (setting(protocol::kSizeKey, v) && v != current_size) switch_size(v);
  if (setting(protocol::kZoomKey, v) && v != current_zoom) set_zoom_pos(v);
  if (setting(protocol::kIsoKey, v) && v != night_iso) {
    night_iso = v;
    if (current_mode == 1) Switch_mode(1);
  }
  if (setting(protocol::kNightExpKey, v) && v != night_exposure) {
    night_exposure = v;
    if (current_mode == 1) Switch_mode(1);
  }

  trace("Remote Take Pic start");
  try {
    Lumidor1->RemoteTakePicture();
  } catch (...) {
    stop_pictures("RemoteTakePicture error");
  }
}

void TForm1::set_day_night_hours() {
  const MonthHours& hours = hours_of_month(clock->Now().Month);
  evening_hour = hours.evening;
  morning_hour = hours.morning;
}

void TForm1::Switch_mode(std::int32_t mode) {
  working_params = Lumidor1->RemoteGetParams();
  if (mode == 1 && night_mode_enabled == 1) {
    working_params.ShootingMode = kShutterPriority;
    working_params.Tv = night_exposure == 15 ? kTv15s : night_exposure == 10 ? kTv10s : kTv5s;
    working_params.ISOSpeed = night_iso == 400   ? kIso400
                              : night_iso == 200 ? kIso200
                              : night_iso == 100 ? kIso100
                                                 : kIso50;
    working_params.FlashMode = kFlashOff;
    Timer2->SetInterval(tick_interval_ms(night_interval));
  } else {
    working_params.ShootingMode = day_shooting_mode;
    working_params.Tv = 0;
    working_params.ISOSpeed = kIsoAuto;
    working_params.Av = 0;
    working_params.FlashMode = kFlashOff;
    Timer2->SetInterval(tick_interval_ms(day_interval));
  }
  Lumidor1->RemoteSetParams(working_params);
  current_mode = mode;
  write_mode();
}

// A ".mode" that could not be written (its drive full) is left empty or as it was: it is not the
// controller's request. Until a rewrite succeeds the tick tries again instead of reading it.
void TForm1::write_mode() {
  mode_unwritten_ = !protocol::write_value(protocol::setting_file(camera_name, protocol::kModeKey),
                                           std::to_string(current_mode), Check::Unchecked);
}

void TForm1::switch_size(std::int32_t value) {
  working_params = Lumidor1->RemoteGetParams();
  if (value >= 0 && value < static_cast<std::int32_t>(std::size(kImageSizes))) {
    working_params.ImageSize = kImageSizes[value];
  }
  Lumidor1->RemoteSetParams(working_params);
  current_size = value;
}

// A camera that gives no zoom information leaves the record at zero: its bound is position 0.
// A negative position is sent as 0: the camera takes positions as unsigned numbers, and -1 would
// reach it as the largest (digital) zoom.
void TForm1::set_zoom_pos(std::int32_t position) {
  Lumidor::ZoomInfoType zoom;
  Lumidor1->RemoteGetZoom(zoom);
  if (position > zoom.MaxOpticalZoomPos) position = zoom.MaxOpticalZoomPos;
  if (position < 0) position = 0;
  Lumidor1->RemoteSetZoom(position);
  current_zoom = position;
}

// ---- Picture download

void TForm1::Lumidor1RemoteEvent(Lumidor::RemoteEventCallbackType Event,
                                 const Lumidor::AdditionNotifyRemoteEventType& /*EventData*/) {
  // Runs inside the camera library's callback: whatever goes wrong is logged here and goes no
  // further.
  try {
    std::lock_guard<std::recursive_mutex> lock(download_mutex_);
    trace("Remote Event start");
    if (Event != RemoteEventCallbackReleaseComplete) return;
    file_released_picture();
  } catch (const std::exception& e) {
    log_error(rt::ExceptionMessage(e));
  } catch (...) {
    log_error("Unknown exception");
  }
}

// Moves picture_serial past the numbers whose name is already taken in the day folder, by a
// picture or by anything else, so that no picture is ever replaced (after the number wraps from
// 65535 to 0, or when a picture was saved while the number could not advance) and no download
// meets a folder. False when every number is taken.
bool TForm1::next_free_serial(const std::string& day_folder) {
  for (int tries = 0; tries < 0x10000; ++tries) {
    if (!entry_exists(protocol::picture_path(day_folder, picture_serial))) return true;
    ++picture_serial;
  }
  return false;
}

// Files what the camera holds, oldest first: the pictures that failed downloads left in it, then
// this release's own. Each takes the next number, in the day folder of the moment it is filed,
// so a failed download shifts no later picture and leaves none behind once it can be fetched.
void TForm1::file_released_picture() {
  std::uint32_t waiting = pictures_owed + 1;
  pictures_owed = 0;
  for (bool first = true; waiting > 0; first = false) {
    // One day folder for the whole picture: the picture and its number go to the same folder
    // even when midnight passes during the download.
    const std::string day = protocol::day_folder(storage_root, storage_dir, clock->Now());
    if (!rt::DirectoryExists(day)) {
      rt::CreateDir(day);
      picture_serial = 1;
    }

    try {
      if (!next_free_serial(day)) {
        throw rt::Exception("Every picture number is taken in " + day);
      }
      trace("Remote Get pic start");
      Lumidor1->RemoteGetPicture(protocol::picture_path(day, picture_serial),
                                 ReleaseDataKindTakeOnlyPicture);
    } catch (const Lumidor::ENoPictureWaiting&) {
      // The camera holds nothing more: it gave up a picture it could not deliver. Only a release
      // whose own picture is missing is a failure.
      if (first) stop_download();
      return;
    } catch (...) {
      // This picture and those after it stay in the camera, for the next release.
      owe(waiting);
      stop_download();
      return;
    }
    --waiting;
    if (camera_error) {
      owe(waiting);
      return;
    }
    picture_filed(day);
  }
}

// Adds to what is owed, never replaces it: a handler called again from inside this one's
// download (a release event during the transfer) may have owed its own picture meanwhile.
void TForm1::owe(std::uint32_t pictures) {
  pictures_owed = std::min(pictures_owed + pictures, kMaxPicturesOwed);
}

void TForm1::stop_download() {
  stop_pictures("RemoteGetPicture error");
  camera_error = true;
}

void TForm1::picture_filed(const std::string& day) {
  if (!af_locked && af_lock_wanted) {
    try {
      Lumidor1->RemoteAFLock(true);
      af_locked = true;
    } catch (...) {
      log_error("Af lock err.");
    }
  }

  const std::string number = std::to_string(picture_serial);
  protocol::write_value(protocol::path_in(day, protocol::kLastSerial), number, Check::Unchecked);
  protocol::write_value(protocol::path_in(day, protocol::kReSerial), number, Check::Unchecked);
  ++picture_serial;

  const protocol::Value lock = protocol::read_value(
      protocol::setting_file(camera_name, protocol::kAfLockKey), Check::Unchecked);
  if (lock.ok) {
    if (lock.text != "0") {
      af_lock_wanted = true;
    } else if (af_lock_wanted) {
      unlock_focus_after_picture(/*drop_wish=*/true);
    }
  }
  if (rt::FileExists(protocol::setting_file(camera_name, protocol::kAfAgainKey))) {
    unlock_focus_after_picture(/*drop_wish=*/false);
  }
}

// A failure that stops the pictures: "cams.error" becomes "1", and no picture is taken until the
// controller clears it. So it cannot recur before then, and each one is logged, even when the last
// one said the same.
void TForm1::stop_pictures(const std::string& message) {
  write_log(message, /*repeat_limited=*/false);
  protocol::write_value(protocol::kCamsError, "1", Check::Unchecked);
}

// Unlocks the focus as ".af_lock" holding "0" (drop_wish) or ".af_again" asks. When the camera
// refuses, its message is logged and the request stays: the wish stays set, and ".af_again"
// stays in place, so the unlock is tried again after the next picture.
void TForm1::unlock_focus_after_picture(bool drop_wish) {
  try {
    Lumidor1->RemoteAFLock(false);
  } catch (const std::exception& e) {
    log_error(rt::ExceptionMessage(e));
    return;
  }
  af_locked = false;
  if (drop_wish) {
    af_lock_wanted = false;
  } else {
    rt::RemoveFile(protocol::setting_file(camera_name, protocol::kAfAgainKey));
  }
}

// ---- Error log

void TForm1::set_status(const std::string& text) {
  if (std::this_thread::get_id() == main_thread_) {
    Edit1->SetText(text);
    return;
  }
  std::lock_guard<std::mutex> lock(status_mutex_);
  pending_status_ = text;
  status_pending_ = true;
}

void TForm1::apply_pending_status() {
  std::string text;
  {
    std::lock_guard<std::mutex> lock(status_mutex_);
    if (!status_pending_) return;
    text = std::move(pending_status_);
    status_pending_ = false;
  }
  Edit1->SetText(text);
}

void TForm1::log_error(const std::string& message) noexcept {
  write_log(message, /*repeat_limited=*/true);
}

void TForm1::write_log(const std::string& message, bool repeat_limited) noexcept {
  try {
    set_status("Error" + message);
    if (repeat_limited) {
      std::lock_guard<std::mutex> lock(log_mutex_);
      const std::uint64_t now = rt::MonotonicMs();
      std::erase_if(logged_at_,
                    [now](const auto& entry) { return now - entry.second >= kRepeatLogMs; });
      if (!logged_at_.emplace(message, now).second) return;  // written within the hour
    }
    protocol::write_value(protocol::error_log_path(clock->Now(), camera_name), message,
                          Check::Checked);
  } catch (...) {
    // The log file cannot be written ("errors\" missing, disk full or refusing): the status line
    // already shows the error, and the program goes on.
  }
}

void TForm1::on_app_exception(rt::Component* /*Sender*/, const std::exception& E) noexcept {
  try {
    const std::string message = rt::ExceptionMessage(E);
    set_status(message);
    if (std::this_thread::get_id() == main_thread_) Edit1->Repaint();
    log_error(message);
  } catch (...) {
    // Nothing may leave the hook.
  }
}

void TForm1::trace(const std::string& /*text*/) {}

}  // namespace torvane_form
