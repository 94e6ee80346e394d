#include "protocol/Protocol.h"

#include "platform/Errors.h"
#include "platform/TextFile.h"

namespace protocol {

namespace {

// Reads the first `count` lines (1 or 2) into `lines`. A checked failure raises; an unchecked
// one returns false. The file is closed on every way out.
bool read_lines(const std::string& path, Check check, std::string* lines, int count) {
  auto step = [check](int code) {
    if (check == Check::Checked) rt::CheckIo(code);
    return code == rt::kIoOk;
  };
  rt::TextFile file;
  if (!step(file.OpenRead(path))) return false;
  for (int i = 0; i < count; ++i) {
    if (!step(file.ReadLine(lines[i]))) return false;
  }
  return step(file.Close());
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string two_digits(int value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}

}  // namespace

Value read_value(const std::string& path, Check check) {
  Value value;
  value.ok = read_lines(path, check, &value.text, 1);
  if (!value.ok) value.text.clear();
  return value;
}

TwoValues read_two_values(const std::string& path, Check check) {
  std::string lines[2];
  TwoValues values;
  values.ok = read_lines(path, check, lines, 2);
  if (values.ok) {
    values.first = std::move(lines[0]);
    values.second = std::move(lines[1]);
  }
  return values;
}

bool write_value(const std::string& path, std::string_view text, Check check) {
  auto step = [check](int code) {
    if (check == Check::Checked) rt::CheckIo(code);
    return code == rt::kIoOk;
  };
  rt::TextFile file;
  // On an unchecked failure the destructor closes what is open, without a report.
  return step(file.OpenWrite(path)) && step(file.WriteLine(text)) && step(file.Close());
}

std::int32_t parse_number(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint32_t base = 10;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  // Unsigned arithmetic: digits past the 32-bit range wrap around modulo 2^32 instead of
  // saturating or failing, so every text gives some number and no caller needs a special case.
  std::uint32_t value = 0;
  for (; i < n; ++i) {
    int digit = hex_digit(text[i]);
    if (digit < 0 || static_cast<std::uint32_t>(digit) >= base) break;
    value = value * base + static_cast<std::uint32_t>(digit);
  }
  if (negative && i == n) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::string dash_separators(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c == ' ' || c == '/' || c == '\\') c = '-';
  }
  return result;
}

std::string path_in(std::string_view folder, std::string_view name) {
  std::string path(folder);
  path += '\\';
  path += name;
  return path;
}

std::string day_text(const rt::DateTime& date) {
  return dash_separators(rt::ShortDateText(date));
}

std::string storage_folder(std::string_view storage_root, int storage_dir) {
  return path_in(storage_root, "cam" + std::to_string(storage_dir));
}

std::string day_folder(std::string_view storage_root, int storage_dir, const rt::DateTime& date) {
  return path_in(storage_folder(storage_root, storage_dir), day_text(date));
}

std::string picture_path(std::string_view day_folder, std::uint16_t serial) {
  return path_in(day_folder, std::to_string(serial) + ".jpg");
}

std::string setting_file(std::string_view camera_name, std::string_view key) {
  std::string name(camera_name);
  name += key;
  return path_in(kConfigFolder, name);
}

std::string slot_file(int slot, std::string_view suffix) {
  std::string name = "cam" + std::to_string(slot);
  name += suffix;
  return name;
}

std::string error_log_name(std::string_view date_text, std::string_view time_text,
                           std::string_view camera_name) {
  std::string stamp(date_text);
  stamp += time_text;
  std::string name = dash_separators(stamp);
  name += '_';
  name += camera_name;
  name += ".error_log";
  for (char& c : name) {
    if (c == ':' || c == '.') c = '_';
  }
  return name;
}

std::string error_log_path(const rt::DateTime& now, std::string_view camera_name) {
  return path_in(kErrorsFolder,
                 error_log_name(rt::ShortDateText(now), rt::LongTimeText(now), camera_name));
}

std::string day_video_path(std::string_view video_folder, int year, int month, int day,
                           int storage_dir) {
  return path_in(video_folder, std::to_string(year) + "." + two_digits(month) + "." +
                                   two_digits(day) + ".cam" + std::to_string(storage_dir) + ".mpg");
}

}  // namespace protocol
