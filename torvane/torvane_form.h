// Main form of torvane, the unattended capture program: one running instance drives one camera.
// Start-up claims a camera slot, connects the camera, picks the storage folder and the next
// picture number, applies the settings and starts the tick timer. Each tick releases the shutter
// once; the release-complete event files the picture. Every error goes to the status line and to
// one small log file in "errors\"; no message box ever waits for a user.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "component/Lumidor.h"
#include "platform/DateTime.h"
#include "platform/Forms.h"

namespace torvane_form {

class TForm1 : public rt::Form {
 public:
  explicit TForm1(rt::Component* AOwner);

  // Components of the form, owned (and destroyed) by it.
  rt::Edit* Edit1 = nullptr;              // status line
  Lumidor::TLumidor* Lumidor1 = nullptr;  // the camera; OnRemoteEvent -> Lumidor1RemoteEvent
  rt::Timer* Timer2 = nullptr;            // the tick; starts disabled at 5000 ms

  // Start-up and its steps.
  void FormCreate(rt::Component* Sender);
  void claim_camera_slot();
  void select_storage_dir();
  bool storage_dir_in_use(int D);
  int first_free_storage_dir();

  // The tick and the camera settings it applies.
  void Timer2Timer(rt::Component* Sender);
  void set_day_night_hours();
  void Switch_mode(std::int32_t mode);
  void switch_size(std::int32_t value);
  void set_zoom_pos(std::int32_t position);

  // The release-complete event: downloads and files the picture. Runs inside the camera
  // library's callback; nothing leaves it.
  void Lumidor1RemoteEvent(Lumidor::RemoteEventCallbackType Event,
                           const Lumidor::AdditionNotifyRemoteEventType& EventData);

  // Error reporting. Neither raises: a log that cannot be written is given up. log_error writes
  // a message to a log file at most once an hour (the status line shows it every time).
  void log_error(const std::string& message) noexcept;
  void on_app_exception(rt::Component* Sender, const std::exception& E) noexcept;
  void trace(const std::string& text);

  // The tick interval in milliseconds for an interval in seconds: at least 1 s, and at most
  // what a timer interval can hold, so that the timer never stops.
  static std::uint32_t tick_interval_ms(std::int32_t seconds);
  static constexpr std::int32_t kMinIntervalSeconds = 1;
  static constexpr std::int32_t kMaxIntervalSeconds = 0x7FFFFFFF / 1000;
  static constexpr std::uint64_t kRepeatLogMs = 60u * 60u * 1000u;
  // More pictures than a day folder can number are never owed.
  static constexpr std::uint32_t kMaxPicturesOwed = 0x10000;

  // Where the date and hour come from.
  const rt::Clock* clock = &rt::SystemClock();

  // Program-wide state.
  std::string storage_root;
  std::uint16_t camera_slot = 0;
  std::string camera_name;
  std::uint16_t storage_dir = 0;
  std::uint16_t picture_serial = 1;
  // Set by the tick from "cams.error", read and set by the download handler, which may run on
  // the camera library's thread.
  std::atomic<bool> camera_error{false};
  // Pictures still in the camera after failed downloads, filed at the next release before its
  // own. Touched by the download handler only: it grows with each failure and is cleared only
  // when the handler starts fetching them.
  std::uint32_t pictures_owed = 0;
  bool af_lock_wanted = false;
  bool af_locked = false;
  std::int32_t night_mode_enabled = 1;
  std::int32_t day_interval = 5;
  std::int32_t night_interval = 20;
  std::int32_t night_iso = 100;
  std::int32_t night_exposure = 10;
  std::int32_t current_size = 0;
  std::int32_t current_zoom = 0;
  std::int32_t current_mode = 0;
  std::int32_t evening_hour = 0;
  std::int32_t morning_hour = 0;
  rt::DateTime previous_check;  // date and time of the previous day/night check
  Lumidor::RemoteParamType working_params;
  std::uint8_t day_shooting_mode = 0;

 private:
  // The last write of ".mode" failed: the file does not hold current_mode.
  bool mode_unwritten_ = false;
  void file_released_picture();
  void owe(std::uint32_t pictures);
  void stop_download();
  void picture_filed(const std::string& day);
  void stop_pictures(const std::string& message);
  void write_log(const std::string& message, bool repeat_limited) noexcept;
  bool next_free_serial(const std::string& day_folder);
  void write_mode();
  void unlock_focus_after_picture(bool drop_wish);
  void set_status(const std::string& text);
  void apply_pending_status();
  void report_interval(const char* which, std::int32_t seconds);

  // The thread that runs start-up and the ticks: the status line is touched only there. A text
  // set from the camera library's thread waits in pending_status_ for the next tick.
  std::thread::id main_thread_ = std::this_thread::get_id();
  std::mutex status_mutex_;
  std::string pending_status_;
  bool status_pending_ = false;
  // When each message was last written to a log file (monotonic ms). One already written within
  // the hour is not written again, so that an error recurring at every tick or picture cannot
  // fill the disk with log files, even when it alternates with another. Entries leave once their
  // hour is over. Failures that stop the pictures are not limited (stop_pictures).
  std::mutex log_mutex_;
  std::map<std::string, std::uint64_t> logged_at_;
  // Serializes the download handler against itself: the library may call back on a thread of
  // its own. The tick never takes it.
  std::recursive_mutex download_mutex_;
};

extern TForm1* Form1;

}  // namespace torvane_form
