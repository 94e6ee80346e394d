// The file protocol that torvane, pellmark and quensil share with the outside controller: reading
// and writing the one-line text files, reading numbers out of them, and building the names of
// every file and folder of the working directory and the storage tree.
//
// Paths always use the backslash; the runtime layer translates them for the operating system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/DateTime.h"

namespace protocol {

// Files of the working directory.
inline constexpr char kRecPath[] = "rec_path";               // line 1: storage_root
inline constexpr char kMpgPath[] = "mpg_path";               // line 1: video_folder
inline constexpr char kRunState[] = "cams.run_state";        // exactly "0": quit
inline constexpr char kCamsError[] = "cams.error";           // exactly "1": camera error
inline constexpr char kCamsNotFound[] = "cams.not_found";    // starts that found no camera
inline constexpr char kPellmarkList[] = "serial\\pellmark";  // one camera name per line
inline constexpr char kEraseLog[] = "erase.log";             // the lines of the last wipe

// Folders of the working directory that the outside controller creates.
inline constexpr char kConfigFolder[] = "config";
inline constexpr char kErrorsFolder[] = "errors";
inline constexpr char kSerialFolder[] = "serial";

// Files of a storage folder.
inline constexpr char kCamTypeFile[] = "camtype.inf";  // name of the camera owning the folder
inline constexpr char kCamDirFile[] = "camdir.res";    // exactly "0": free

// Files and subfolders of a day folder.
inline constexpr char kLastSerial[] = "last_serial";
inline constexpr char kReSerial[] = "re_serial";
inline constexpr char kPreviewFolder[] = "preview";
inline constexpr char kHdtvFolder[] = "HDTV";

// Suffixes of the slot files "cam" + N + suffix.
inline constexpr char kFreeSuffix[] = ".free";
inline constexpr char kTypeSuffix[] = ".type";
inline constexpr char kDirSuffix[] = ".dir";

// Setting keys: the setting file of a camera is "config\" + camera name + key.
inline constexpr char kModeKey[] = ".mode";
inline constexpr char kSizeKey[] = ".size";
inline constexpr char kZoomKey[] = ".zoom";
inline constexpr char kIsoKey[] = ".iso";
inline constexpr char kNightExpKey[] = ".night_exp";
inline constexpr char kIntervalsKey[] = ".intervals";
inline constexpr char kNightModeKey[] = ".night_mode";
inline constexpr char kAfLockKey[] = ".af_lock";
inline constexpr char kAfAgainKey[] = ".af_again";

// A checked file step raises rt::EInOutError on failure; an unchecked one reports it to the
// caller and nothing else.
enum class Check { Checked, Unchecked };

struct Value {
  std::string text;  // first line without its line end; empty on failure
  bool ok = false;
};

struct TwoValues {
  std::string first, second;  // both empty on failure
  bool ok = false;
};

// The first line of a text file, of any length. A line ends at LF or CR LF; a CR that no LF
// follows, NUL and character 26 are ordinary characters of the text.
Value read_value(const std::string& path, Check check);

// The first two lines of a text file (the ".intervals" setting). A file of one line gives an
// empty second line; that is not a failure.
TwoValues read_two_values(const std::string& path, Check check);

// Creates the file, or truncates it when it exists, and writes the text and CR LF. Returns
// false when an unchecked step failed; a checked failure raises.
bool write_value(const std::string& path, std::string_view text, Check check);

// The number at the start of a text: leading spaces, an optional sign, then decimal digits or
// hexadecimal digits after "$", "x", "X", "0x" or "0X". Reading stops at the first character
// that is not a digit of the base; no digits give 0. A '-' counts only when reading reached
// the end of the text ("-3" is -3, "-3x" is 3). Digits beyond the 32-bit range wrap around
// modulo 2^32 ("4294967297" is 1, "$FFFFFFFF" is -1).
std::int32_t parse_number(std::string_view text);

// The text with every blank, '/' and '\' replaced by '-'.
std::string dash_separators(std::string_view text);

// folder + "\" + name.
std::string path_in(std::string_view folder, std::string_view name);

// The name of a day: the date in the user's short date format, separators dashed.
std::string day_text(const rt::DateTime& date);

// storage_root + "\cam" + D.
std::string storage_folder(std::string_view storage_root, int storage_dir);

// The day folder of a date in storage folder D.
std::string day_folder(std::string_view storage_root, int storage_dir, const rt::DateTime& date);

// day_folder + "\" + serial + ".jpg". While it downloads, the picture is written beside it under
// that name and ".part" (rt::AsideName), and it takes its own name only once it is whole.
std::string picture_path(std::string_view day_folder, std::uint16_t serial);

// "config\" + camera name + key (the key keeps its dot: "config\CAM A.size").
std::string setting_file(std::string_view camera_name, std::string_view key);

// "cam" + N + suffix, e.g. "cam3.free".
std::string slot_file(int slot, std::string_view suffix);

// Name of an error log within "errors\": the date and time texts run together with their
// blanks, '/' and '\' dashed, "_", the camera name; every ':' and '.' then becomes '_' (also
// those of the camera name), so the name ends in "_error_log".
std::string error_log_name(std::string_view date_text, std::string_view time_text,
                           std::string_view camera_name);

// "errors\" + the log name for the date and time `now` in the user's regional formats.
std::string error_log_path(const rt::DateTime& now, std::string_view camera_name);

// video_folder + "\" + year + "." + MM + "." + DD + ".cam" + D + ".mpg", independent of the
// regional format.
std::string day_video_path(std::string_view video_folder, int year, int month, int day,
                           int storage_dir);

}  // namespace protocol
