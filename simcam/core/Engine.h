// The state that one stand-in library keeps for the life of the process (one Engine per
// library, created when the library is loaded): the configuration, the call counts that `fail`
// rules match against, and handle numbers. Every entry point runs under a Call, which holds the
// library's lock, applies injected failures and writes the trace line.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "simcam/core/Config.h"

namespace simcam {

class Engine {
 public:
  // `library` names the library in messages, e.g. "CDSDK.DLL".
  explicit Engine(std::string library) : library_(std::move(library)) {}
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  std::recursive_mutex& Mutex() { return mutex_; }

  // Reads the configuration again (SIMCAM_CONFIG, or the default one without it). When the
  // configuration differs from the one in effect (another file or other text), the call counts
  // start again from zero and problems in it are reported on standard error.
  void ReloadConfig();

  // The configuration in effect; the first use reads it.
  const Config& config();

  // Counts one call of the entry point and returns the code of the `fail` rule that covers it.
  // `number` receives the call's number (1-based, counted like the `fail` rules count).
  std::optional<std::uint32_t> CountCall(std::string_view exportName, std::string_view identifier,
                                         std::uint64_t* number = nullptr);

  // A fresh non-zero handle number, unique within this library.
  std::uintptr_t NewHandle() { return nextHandle_++; }

  // EOS camera: counts the configurations taken into effect (1 after the first read, one more
  // each time a re-read finds another one), so that state made from a configuration can tell
  // that it is out of date.
  std::uint64_t Generation() const { return generation_; }

 private:
  std::string library_;
  std::recursive_mutex mutex_;
  bool loaded_ = false;
  std::string source_;  // what the configuration was read from: path and text
  Config config_;
  std::map<std::string, std::uint64_t, std::less<>> calls_;
  std::uintptr_t nextHandle_ = 1;
  std::uint64_t generation_ = 0;  // EOS camera: see Generation
};

// One entry-point call: locks the library, counts the call (and so decides an injected
// failure), collects the arguments and writes the trace line when the result is returned:
//   Name(arg, arg, ...) -> 0x0000RRRR [name=value ...]
class Call {
 public:
  Call(Engine& engine, std::string_view exportName, std::string_view identifier = {});

  // The code that a `fail` rule makes this call return; the call then does nothing else.
  std::optional<std::uint32_t> Injected() const { return injected_; }

  // The call's number among the calls of its entry point (as `fail` rules count them).
  std::uint64_t Number() const { return number_; }
  const std::string& Name() const { return name_; }
  // Whether `name` is the entry point's export name or C++ identifier.
  bool IsNamed(std::string_view name) const { return name == name_ || name == identifier_; }

  template <typename T>
  requires std::is_integral_v<T> Call& Arg(T value) { return Raw(std::to_string(value)); }
  Call& Arg(const void* pointer) { return Raw(pointer ? "&" : "null"); }
  Call& Text(const char* text);                    // quoted, or null
  Call& Hex(std::uint32_t value, int digits = 8);  // 0x and that many hexadecimal digits
  Call& Raw(std::string_view text);

  // A value the call hands back, shown after the result.
  template <typename T>
  requires std::is_integral_v<T> Call& Out(std::string_view name, T value) {
    return OutRaw(name, std::to_string(value));
  }
  Call& OutText(std::string_view name, std::string_view text);
  Call& OutHex(std::string_view name, std::uint32_t value, int digits = 8);
  Call& OutRaw(std::string_view name, std::string_view text);

  // Writes the trace line and returns `result`.
  std::uint32_t Return(std::uint32_t result);

 private:
  std::unique_lock<std::recursive_mutex> lock_;
  std::string name_;
  std::string identifier_;
  std::string args_;
  std::string outs_;
  std::optional<std::uint32_t> injected_;
  std::uint64_t number_ = 0;
};

// `value` as 0x and `digits` hexadecimal digits (upper case).
std::string HexText(std::uint32_t value, int digits = 8);

// Body of an entry point that the stand-in does not implement: counted, traced, `code` unless
// a `fail` rule says otherwise.
std::uint32_t Unsupported(Engine& engine, std::string_view exportName, std::string_view identifier,
                          std::uint32_t code);

// Appends one line to the file that SIMCAM_TRACE names; does nothing without it or when the
// file cannot be opened.
void AppendTraceLine(std::string_view line);

}  // namespace simcam
