#include "simcam/core/Config.h"

#include <functional>
#include <limits>
#include <map>

#include "simcam/core/CdSettings.h"
#include "simcam/core/Names.h"

namespace simcam {

namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

// Splits off the first blank-separated word; `rest` keeps what follows, trimmed.
std::string_view NextWord(std::string_view& rest) {
  rest = Trim(rest);
  const auto end = rest.find_first_of(kBlanks);
  const std::string_view word = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view{} : Trim(rest.substr(end));
  return word;
}

std::vector<std::string_view> Words(std::string_view rest) {
  std::vector<std::string_view> words;
  while (!(rest = Trim(rest)).empty()) words.push_back(NextWord(rest));
  return words;
}

bool ParseUInt32(std::string_view text, std::uint32_t& value) {
  std::uint64_t wide = 0;
  if (!ParseNumber(text, wide) || wide > std::numeric_limits<std::uint32_t>::max()) return false;
  value = static_cast<std::uint32_t>(wide);
  return true;
}

// One directive: the words after its name (or the whole rest of the line, for names) go to
// the handler, which returns an empty text or what is wrong.
using Handler = std::function<std::string(std::string_view rest, Config& config)>;

std::string SetUInt32(std::string_view rest, std::uint32_t& target) {
  const auto words = Words(rest);
  if (words.size() != 1 || !ParseUInt32(words[0], target)) return "expects one number";
  return {};
}

// The `from=N` and `count=M` options among words[first...].
std::string ParseCallRange(const std::vector<std::string_view>& words, std::size_t first,
                           std::uint64_t& from, std::uint64_t& count) {
  bool countGiven = false;
  for (std::size_t i = first; i < words.size(); ++i) {
    const std::string_view option = words[i];
    std::uint64_t* target = nullptr;
    if (option.starts_with("from=")) target = &from;
    if (option.starts_with("count=")) target = &count, countGiven = true;
    if (!target || !ParseNumber(option.substr(option.find('=') + 1), *target)) {
      return Join({"bad option ", option});
    }
  }
  if (from == 0) return "from= counts from 1";
  if (countGiven && count == 0) return "count= needs at least 1";
  return {};
}

// One value of a setting: `A,B` for a pair, else a number that fits the setting's size.
bool ParseSettingValue(const CdSetting& setting, std::string_view word, std::uint32_t& value) {
  if (setting.pair) {
    const auto comma = word.find(',');
    std::uint32_t first = 0, second = 0;
    if (comma == std::string_view::npos || !ParseUInt32(word.substr(0, comma), first) ||
        !ParseUInt32(word.substr(comma + 1), second) || first > 0xFFFF || second > 0xFFFF) {
      return false;
    }
    value = PackPair(first, second);
    return true;
  }
  if (!ParseUInt32(word, value)) return false;
  return setting.size >= 4 || value < (1u << (8 * setting.size));
}

std::string ParseEvent(std::string_view rest, bool release, Config& config) {
  const auto words = Words(rest);
  if (words.size() < 2) return "expects an entry point and an event ID";
  EventRule rule;
  rule.entryPoint = std::string(words[0]);
  rule.release = release;
  if (!ParseUInt32(words[1], rule.id)) return "bad event ID";
  std::size_t options = 2;
  if (words.size() > 2 && words[2].find('=') == std::string_view::npos) {
    if (!ParseUInt32(words[2], rule.data)) return "bad event data";
    options = 3;
  }
  if (std::string problem = ParseCallRange(words, options, rule.from, rule.count);
      !problem.empty()) {
    return problem;
  }
  config.cd.events.push_back(rule);
  return {};
}

const std::map<std::string, Handler, std::less<>>& Directives() {
  static const std::map<std::string, Handler, std::less<>> directives = {
      {"camera",
       [](std::string_view rest, Config& config) -> std::string {
         const std::string_view kind = NextWord(rest);
         CameraSpec camera;
         if (kind == "cd") {
           camera.sdk = Sdk::CD;
         } else if (kind == "pr") {
           camera.sdk = Sdk::PR;
         } else if (kind == "eos") {
           camera.sdk = Sdk::EOS;
         } else {
           return "expects cd, pr or eos";
         }
         if (rest.empty()) return "expects a camera name";
         camera.name = std::string(rest);
         config.cameras.push_back(camera);
         return {};
       }},
      {"fail",
       [](std::string_view rest, Config& config) -> std::string {
         const auto words = Words(rest);
         if (words.size() < 2) return "expects an entry point and a code";
         FailRule rule;
         rule.entryPoint = std::string(words[0]);
         if (!ParseUInt32(words[1], rule.code)) return "bad code";
         if (std::string problem = ParseCallRange(words, 2, rule.from, rule.count);
             !problem.empty()) {
           return problem;
         }
         config.fails.push_back(rule);
         return {};
       }},
      {"picture_bytes",
       [](std::string_view rest, Config& config) { return SetUInt32(rest, config.pictureBytes); }},
      {"cd_count_extra",
       [](std::string_view rest, Config& config) { return SetUInt32(rest, config.cdCountExtra); }},
      {"pr_count_extra",
       [](std::string_view rest, Config& config) { return SetUInt32(rest, config.prCountExtra); }},
      {"owner",
       [](std::string_view rest, Config& config) -> std::string {
         if (rest.empty()) return "expects a text";
         config.cd.owner = std::string(rest);
         return {};
       }},
      {"cd_model",
       [](std::string_view rest, Config& config) -> std::string {
         if (rest.empty()) return "expects a text";
         config.cd.model = std::string(rest);
         return {};
       }},
      {"power",
       [](std::string_view rest, Config& config) { return SetUInt32(rest, config.cd.power); }},
      {"battery",
       [](std::string_view rest, Config& config) -> std::string {
         std::uint32_t state = 0;
         if (std::string problem = SetUInt32(rest, state); !problem.empty()) return problem;
         if (state > 0xF) return "expects a state of 0 to 15";
         config.cd.power = (config.cd.power & ~0xFu) | state;
         return {};
       }},
      {"faculty",
       [](std::string_view rest, Config& config) { return SetUInt32(rest, config.cd.faculty); }},
      {"zoom",
       [](std::string_view rest, Config& config) -> std::string {
         const auto words = Words(rest);
         std::uint32_t values[3] = {0, 0, 0};
         if (words.size() < 2 || words.size() > 3) return "expects MAX OPTICAL [POSITION]";
         for (std::size_t i = 0; i < words.size(); ++i) {
           if (!ParseUInt32(words[i], values[i])) return Join({"bad number ", words[i]});
         }
         config.cd.zoomMax = values[0];
         config.cd.zoomOptical = values[1];
         config.cd.zoomPosition = values[2];
         return {};
       }},
      {"setting",
       [](std::string_view rest, Config& config) -> std::string {
         const auto words = Words(rest);
         if (words.size() != 2) return "expects a setting name and a value";
         const CdSetting* setting = FindCdSetting(words[0]);
         if (!setting) return Join({"no setting is named ", words[0]});
         std::uint32_t value = 0;
         if (!ParseSettingValue(*setting, words[1], value)) return Join({"bad value ", words[1]});
         config.cd.settings[std::string(words[0])].initial = value;
         return {};
       }},
      {"values",
       [](std::string_view rest, Config& config) -> std::string {
         const auto words = Words(rest);
         if (words.empty()) return "expects a setting name";
         const CdSetting* setting = FindCdSetting(words[0]);
         if (!setting) return Join({"no setting is named ", words[0]});
         std::optional<std::vector<std::uint32_t>> values;
         if (words.size() != 2 || words[1] != "any") {
           values.emplace();
           for (std::size_t i = 1; i < words.size(); ++i) {
             std::uint32_t value = 0;
             if (!ParseSettingValue(*setting, words[i], value)) {
               return Join({"bad value ", words[i]});
             }
             values->push_back(value);
           }
         }
         SettingOverride& entry = config.cd.settings[std::string(words[0])];
         entry.valuesGiven = true;
         entry.values = std::move(values);
         return {};
       }},
      {"refuse",
       [](std::string_view rest, Config& config) -> std::string {
         const auto words = Words(rest);
         if (words.size() < 2 || words.size() > 4) return "expects an entry point and a value";
         RefuseRule rule;
         rule.entryPoint = std::string(words[0]);
         std::string_view parts = words[1];
         while (true) {
           const auto comma = parts.find(',');
           const std::string_view part = parts.substr(0, comma);
           std::uint32_t value = 0;
           if (part == "*") {
             rule.parts.emplace_back();
           } else if (ParseUInt32(part, value)) {
             rule.parts.emplace_back(value);
           } else {
             return Join({"bad value ", words[1]});
           }
           if (comma == std::string_view::npos) break;
           parts = parts.substr(comma + 1);
         }
         for (std::size_t i = 2; i < words.size(); ++i) {
           const bool code =
               words[i].starts_with("code=") && ParseUInt32(words[i].substr(5), rule.code);
           // EOS camera: `times=N` refuses only the first N matching calls.
           const bool times = words[i].starts_with("times=") &&
                              ParseNumber(words[i].substr(6), rule.times) && rule.times > 0;
           if (!code && !times) return Join({"bad option ", words[i]});
         }
         config.cd.refusals.push_back(rule);
         return {};
       }},
      {"event",
       [](std::string_view rest, Config& config) { return ParseEvent(rest, false, config); }},
      {"release_event",
       [](std::string_view rest, Config& config) { return ParseEvent(rest, true, config); }},
      {"picture_file",
       [](std::string_view rest, Config& config) -> std::string {
         if (rest.empty()) return "expects a path";
         config.cd.pictureFile = std::string(rest);
         return {};
       }},
      {"thumbnail_bytes", [](std::string_view rest,
                             Config& config) { return SetUInt32(rest, config.cd.thumbnailBytes); }},
      {"cd_write_limit",
       [](std::string_view rest, Config& config) {
         std::uint32_t limit = 0;
         const std::string error = SetUInt32(rest, limit);
         if (error.empty()) config.cd.writeLimit = limit;
         return error;
       }},
      {"cd_drop_failed",
       [](std::string_view rest, Config& config) -> std::string {
         if (!Trim(rest).empty()) return "takes no arguments";
         config.cd.dropFailed = true;
         return {};
       }},
      // PowerShot camera directives.
      {"pr_value",
       [](std::string_view rest, Config& config) -> std::string {
         const auto words = Words(rest);
         std::uint32_t code = 0, value = 0;
         if (words.size() != 2 || !ParseUInt32(words[0], code) || !ParseUInt32(words[1], value)) {
           return "expects a property code and a value";
         }
         config.pr.values[code] = value;
         return {};
       }},
      {"pr_values",
       [](std::string_view rest, Config& config) -> std::string {
         const auto words = Words(rest);
         std::uint32_t code = 0;
         if (words.empty() || !ParseUInt32(words[0], code)) return "expects a property code";
         std::vector<std::uint32_t> values;
         for (std::size_t i = 1; i < words.size(); ++i) {
           std::uint32_t value = 0;
           if (!ParseUInt32(words[i], value)) return Join({"bad value ", words[i]});
           values.push_back(value);
         }
         config.pr.offered[code] = std::move(values);
         return {};
       }},
      {"pr_without",
       [](std::string_view rest, Config& config) -> std::string {
         const auto words = Words(rest);
         if (words.empty()) return "expects operation or property codes";
         for (const std::string_view word : words) {
           std::uint32_t code = 0;
           if (!ParseUInt32(word, code)) return Join({"bad code ", word});
           config.pr.without.push_back(code);
         }
         return {};
       }},
      {"pr_cut",
       [](std::string_view rest, Config& config) -> std::string {
         const auto words = Words(rest);
         std::uint32_t bytes = 0;
         if (words.size() != 2 || !ParseUInt32(words[1], bytes)) {
           return "expects device_info, prop_desc or transfer and a size";
         }
         if (words[0] == "device_info") {
           config.pr.deviceInfoCut = bytes;
         } else if (words[0] == "prop_desc") {
           config.pr.propDescCut = bytes;
         } else if (words[0] == "transfer") {
           config.pr.transferCut = bytes;
         } else {
           return "expects device_info, prop_desc or transfer";
         }
         return {};
       }},
      // ---- EOS camera ----
      {"property",
       [](std::string_view rest, Config& config) -> std::string {
         const auto words = Words(rest);
         std::uint32_t id = 0;
         if (words.size() < 2 || !ParseUInt32(words[0], id)) return "expects an ID and words";
         std::vector<std::uint32_t> value;
         for (std::size_t i = 1; i < words.size(); ++i) {
           if (!ParseUInt32(words[i], value.emplace_back())) return Join({"bad word ", words[i]});
         }
         config.eos.properties[id] = std::move(value);
         return {};
       }},
      {"property_values",
       [](std::string_view rest, Config& config) -> std::string {
         const auto words = Words(rest);
         std::uint32_t id = 0;
         if (words.empty() || !ParseUInt32(words[0], id)) return "expects an ID";
         std::vector<std::uint32_t> values;
         for (std::size_t i = 1; i < words.size(); ++i) {
           if (!ParseUInt32(words[i], values.emplace_back())) {
             return Join({"bad value ", words[i]});
           }
         }
         config.eos.values[id] = std::move(values);
         return {};
       }},
      // ---- end EOS camera ----
      {"unterminated_names",
       [](std::string_view rest, Config& config) -> std::string {
         if (!Trim(rest).empty()) return "takes no arguments";
         config.unterminatedNames = true;
         return {};
       }},
  };
  return directives;
}

}  // namespace

bool RefuseRule::Matches(std::initializer_list<std::uint32_t> values) const {
  std::size_t i = 0;
  for (const std::uint32_t value : values) {
    if (i < parts.size() && parts[i] && *parts[i] != value) return false;
    ++i;
  }
  return parts.size() <= values.size();
}

std::vector<CameraSpec> Config::CamerasOf(Sdk sdk) const {
  std::vector<CameraSpec> result;
  for (const CameraSpec& camera : cameras) {
    if (camera.sdk == sdk) result.push_back(camera);
  }
  return result;
}

Config DefaultConfig() {
  Config config;
  config.cameras = {{Sdk::CD, "PowerShot Sim"}, {Sdk::PR, "PowerShot Sim2"}, {Sdk::EOS, "EOS Sim"}};
  return config;
}

bool ParseNumber(std::string_view text, std::uint64_t& value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  std::uint64_t result = 0;
  for (const char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return false;
    if (result > (std::numeric_limits<std::uint64_t>::max() - static_cast<unsigned>(digit)) /
                     static_cast<unsigned>(base)) {
      return false;
    }
    result = result * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
  }
  value = result;
  return true;
}

Config ParseConfig(std::string_view text, std::vector<std::string>& problems) {
  Config config;
  int lineNumber = 0;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++lineNumber;
    if (const auto hash = line.find('#'); hash != std::string_view::npos) {
      line = line.substr(0, hash);
    }
    std::string_view rest = line;
    const std::string_view name = NextWord(rest);
    if (name.empty()) continue;
    const auto& directives = Directives();
    const auto found = directives.find(name);
    const std::string problem =
        found == directives.end() ? "unknown directive" : found->second(rest, config);
    if (!problem.empty()) {
      problems.push_back(Join({"line ", std::to_string(lineNumber), ": ", name, ": ", problem}));
    }
  }
  return config;
}

}  // namespace simcam
