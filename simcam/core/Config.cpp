#include "simcam/core/Config.h"

#include <functional>
#include <limits>
#include <map>

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
         for (std::size_t i = 2; i < words.size(); ++i) {
           const std::string_view option = words[i];
           std::uint64_t* target = nullptr;
           if (option.starts_with("from=")) target = &rule.from;
           if (option.starts_with("count=")) target = &rule.count;
           if (!target || !ParseNumber(option.substr(option.find('=') + 1), *target)) {
             return Join({"bad option ", option});
           }
         }
         if (rule.from == 0) return "from= counts from 1";
         if (rule.count == 0 && rest.find("count=") != std::string_view::npos) {
           return "count= needs at least 1";
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
