// The PowerShot SDK entry points that the stand-in implements.
#include <cstring>
#include <string>

#include "simcam/core/Names.h"
#include "simcam/pr/PrLibrary.h"

namespace simcam {

namespace {

struct PrState {
  Engine engine{"PRSDK.DLL"};
};

PrState& State() {
  static PrState state;
  return state;
}

}  // namespace

Engine& PrEngine() {
  return State().engine;
}

}  // namespace simcam

using simcam::Call;

extern "C" PRResult SDKCALL PR_StartSDK() {
  simcam::PrEngine().ReloadConfig();
  Call call(simcam::PrEngine(), "PR_StartSDK");
  if (auto code = call.Injected()) return call.Return(*code);
  return call.Return(kPROk);
}

extern "C" PRResult SDKCALL PR_FinishSDK() {
  Call call(simcam::PrEngine(), "PR_FinishSDK");
  if (auto code = call.Injected()) return call.Return(*code);
  return call.Return(kPROk);
}

// Fills the caller's buffer with the count and one entry per camera, within the size the caller
// gives; on success the size comes back as the bytes written. Counted entries beyond the
// filled ones (pr_count_extra) are left as the buffer held them.
extern "C" PRResult SDKCALL PR_GetDeviceList(std::uint32_t* bufferSize, PRDeviceList* list) {
  simcam::Engine& engine = simcam::PrEngine();
  engine.ReloadConfig();
  Call call(engine, "PR_GetDeviceList");
  if (bufferSize) {
    call.Arg(*bufferSize);
  } else {
    call.Arg(bufferSize);
  }
  call.Arg(list);
  if (auto code = call.Injected()) return call.Return(*code);
  if (!bufferSize || !list) return call.Return(kPRErrInvalidParameter);
  const simcam::Config& config = engine.config();
  const auto cameras = config.CamerasOf(simcam::Sdk::PR);
  const std::uint64_t needed =
      offsetof(PRDeviceList, Entries) + cameras.size() * std::uint64_t{kPRDeviceEntrySize};
  if (*bufferSize < needed) {
    *bufferSize = static_cast<std::uint32_t>(needed);
    call.Out("needed", *bufferSize);
    return call.Return(kPRErrInsufficientBuffer);
  }
  auto* bytes = reinterpret_cast<unsigned char*>(list);
  const std::uint32_t count = static_cast<std::uint32_t>(cameras.size()) + config.prCountExtra;
  std::memcpy(bytes + offsetof(PRDeviceList, Count), &count, sizeof count);
  for (std::size_t i = 0; i < cameras.size(); ++i) {
    PRDeviceEntry entry;
    std::memset(&entry, 0, sizeof entry);
    // The internal name is how the library finds the camera again when the entry comes back.
    simcam::FillNameField(entry.InternalName, std::size(entry.InternalName),
                          simcam::Join({"simcam:pr:", std::to_string(i)}), false);
    simcam::FillNameField(entry.Name, std::size(entry.Name), cameras[i].name,
                          config.unterminatedNames);
    // With unterminated names, what follows the name is not a zero either.
    entry.Reserved = config.unterminatedNames ? 0x00230023u : 0u;
    std::memcpy(bytes + offsetof(PRDeviceList, Entries) + i * kPRDeviceEntrySize, &entry,
                sizeof entry);
  }
  *bufferSize = static_cast<std::uint32_t>(needed);
  call.Out("count", count);
  return call.Return(kPROk);
}
