// The eraser's main form. One run makes one erase pass at the first tick and ends: while the
// picture drive is less than half free, it wipes the oldest past day folder whose day video
// exists, with its preview and HDTV subfolders, and searches again.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/DateTime.h"
#include "platform/Errors.h"
#include "platform/Forms.h"

class TForm1 : public rt::Form {
 public:
  explicit TForm1(rt::Component* owner);

  rt::Edit* Edit1;    // status line: the folder being wiped
  rt::Timer* Timer1;  // the first tick runs the pass

  void FormCreate(rt::Component* sender);
  void Timer1Timer(rt::Component* sender);

  // Neither a serial file that cannot be read (it counts as 0) nor an erase.log that cannot be
  // created, written or closed (it keeps what could be written) stops the erasing. Their
  // input/output errors come once the pass is over, each distinct one once, in the order met:
  // all but the last are shown, the last is raised.
  void erase_old_pictures();
  void find_oldest_day_folder();
  bool day_video_exists(std::uint16_t Year, std::uint16_t Month, std::uint16_t Day, int D);
  void wipe_day_folder(const std::string& Dir);

  // Program state for the whole run.
  std::string storage_root;
  std::string video_folder;
  bool found = false;
  std::string found_folder;  // meaningful only while `found` is set

  // Where today's date comes from, and the drive queries (bytes available and total bytes by
  // drive number, -1 when the drive cannot be queried). Tests replace them.
  const rt::Clock* clock = &rt::SystemClock();
  std::function<std::int64_t(int drive)> disk_free;
  std::function<std::int64_t(int drive)> disk_size;

  // The program's exit status: 1 once the run has shown an error (at start-up or in its pass),
  // else 0, so that whoever started it can tell a failed run without reading the screen.
  int exit_code = 0;

 private:
  // What one pass has learnt so far. Every date before `search_from_` holds no erasable day
  // folder, so a later search of the same pass starts there. `passed_over_` holds the day
  // folders this pass has already wiped: one that is still there could not be emptied, and
  // choosing it again would wipe it again and again.
  struct Day {
    int year, month, day;
  };
  Day search_from_{2007, 1, 1};
  std::set<std::string> passed_over_;
  // The errors this pass has met without stopping, to be told once it is over. The same error
  // of the same file kind comes once, however many folders or lines met it.
  enum class Source { SerialFile, EraseLog };
  std::vector<std::exception_ptr> deferred_;
  std::set<std::pair<Source, std::string>> deferred_seen_;

  void erase_pass();
  void defer(Source source, const rt::EInOutError& error);
};

extern TForm1* Form1;
