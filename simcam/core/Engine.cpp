#include "simcam/core/Engine.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "sdk/CDSDK.h"
#include "sdk/EDSDK.h"
#include "sdk/PRSDK.h"
#include "simcam/core/Names.h"

namespace simcam {

namespace {

bool IsKnownEntryPoint(std::string_view name) {
  auto listed = [&](const auto& exportNames, const auto& identifiers) {
    for (const char* entry : exportNames) {
      if (name == entry) return true;
    }
    for (const char* entry : identifiers) {
      if (name == entry) return true;
    }
    return false;
  };
  return listed(kCDSDKExportNames, kCDSDKIdentifiers) ||
         listed(kPRSDKExportNames, kPRSDKIdentifiers) ||
         listed(kEDSDKExportNames, kEDSDKIdentifiers);
}

}  // namespace

std::string HexText(std::uint32_t value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, static_cast<unsigned>(value));
  return buffer;
}

void Engine::ReloadConfig() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const char* path = std::getenv("SIMCAM_CONFIG");
  std::string source;
  std::vector<std::string> problems;
  Config config;
  if (!path || !*path) {
    config = DefaultConfig();
  } else {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    if (file) {
      text << file.rdbuf();
    } else {
      problems.push_back(Join({"cannot read ", path, "; no camera attached"}));
    }
    source = Join({path, "\n", text.str()});
    config = ParseConfig(text.str(), problems);
    for (const FailRule& rule : config.fails) {
      if (!IsKnownEntryPoint(rule.entryPoint)) {
        problems.push_back(Join({"fail: no entry point is named ", rule.entryPoint}));
      }
    }
    for (const RefuseRule& rule : config.cd.refusals) {
      if (!IsKnownEntryPoint(rule.entryPoint)) {
        problems.push_back(Join({"refuse: no entry point is named ", rule.entryPoint}));
      }
    }
    for (const EventRule& rule : config.cd.events) {
      if (!IsKnownEntryPoint(rule.entryPoint)) {
        problems.push_back(Join({"event: no entry point is named ", rule.entryPoint}));
      }
    }
  }
  const bool changed = !loaded_ || source != source_;
  loaded_ = true;
  config_ = std::move(config);
  if (!changed) return;
  source_ = std::move(source);
  calls_.clear();
  ++generation_;  // EOS camera: see Generation
  for (const std::string& problem : problems) {
    std::fprintf(stderr, "simcam %s: %s: %s\n", library_.c_str(), path ? path : "",
                 problem.c_str());
  }
}

const Config& Engine::config() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!loaded_) ReloadConfig();
  return config_;
}

std::optional<std::uint32_t> Engine::CountCall(std::string_view exportName,
                                               std::string_view identifier,
                                               std::uint64_t* numberOut) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const Config& current = config();
  const std::uint64_t number = ++calls_[std::string(exportName)];
  if (numberOut) *numberOut = number;
  for (const FailRule& rule : current.fails) {
    const bool named =
        rule.entryPoint == exportName || (!identifier.empty() && rule.entryPoint == identifier);
    if (named && rule.Matches(number)) return rule.code;
  }
  return std::nullopt;
}

Call::Call(Engine& engine, std::string_view exportName, std::string_view identifier)
    : lock_(engine.Mutex()),
      name_(exportName),
      identifier_(identifier.empty() ? exportName : identifier) {
  injected_ = engine.CountCall(exportName, identifier.empty() ? exportName : identifier, &number_);
}

Call& Call::Raw(std::string_view text) {
  if (!args_.empty()) args_ += ", ";
  args_ += text;
  return *this;
}

Call& Call::Text(const char* text) {
  return text ? Raw(Join({"\"", text, "\""})) : Raw("null");
}

Call& Call::Hex(std::uint32_t value, int digits) {
  return Raw(HexText(value, digits));
}

Call& Call::OutHex(std::string_view name, std::uint32_t value, int digits) {
  return OutRaw(name, HexText(value, digits));
}

Call& Call::OutRaw(std::string_view name, std::string_view text) {
  outs_ += ' ';
  outs_ += name;
  outs_ += '=';
  outs_ += text;
  return *this;
}

Call& Call::OutText(std::string_view name, std::string_view text) {
  return OutRaw(name, Join({"\"", text, "\""}));
}

std::uint32_t Call::Return(std::uint32_t result) {
  AppendTraceLine(Join({name_, "(", args_, ") -> ", HexText(result), result == 0 ? outs_ : ""}));
  return result;
}

std::uint32_t Unsupported(Engine& engine, std::string_view exportName, std::string_view identifier,
                          std::uint32_t code) {
  Call call(engine, exportName, identifier);
  call.Raw("...");
  return call.Return(call.Injected().value_or(code));
}

void AppendTraceLine(std::string_view line) {
  const char* path = std::getenv("SIMCAM_TRACE");
  if (!path || !*path) return;
  std::FILE* file = std::fopen(path, "ab");
  if (!file) return;
  std::fwrite(line.data(), 1, line.size(), file);
  std::fputc('\n', file);
  std::fclose(file);
}

}  // namespace simcam
