// The eraser's main form. One run makes one erase pass at the first tick and ends: while the
// picture drive is less than half free, it wipes the oldest past day folder whose day video
// exists, with its preview and HDTV subfolders, and searches again.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <set>
#include <string>

#include "platform/DateTime.h"
#include "platform/Forms.h"

class TForm1 : public rt::Form {
 public:
  explicit TForm1(rt::Component* owner);

  rt::Edit* Edit1;    // status line: the folder being wiped
  rt::Timer* Timer1;  // the first tick runs the pass

  void FormCreate(rt::Component* sender);
  void Timer1Timer(rt::Component* sender);

  // A failing erase.log ends the pass with its input/output error at once. A serial file that
  // cannot be read counts as 0 and its error is raised once the pass is over (or shown just
  // before erase.log's, when that ends the pass first).
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
  // The first serial file of this pass that could not be read, told once the pass is over.
  std::exception_ptr unread_serial_;

  void erase_pass();
};

extern TForm1* Form1;
