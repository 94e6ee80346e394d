#include <algorithm>

#include "simcam/cd/CdLibrary.h"
#include "simcam/cd/CdState.h"

namespace simcam {

CdState& State() {
  static CdState state;
  return state;
}

Engine& CdEngine() {
  return State().engine;
}

std::shared_ptr<Source> FindSource(CDSourceHandle handle) {
  const auto found = State().sources.find(handle);
  return found == State().sources.end() ? nullptr : found->second;
}

std::optional<CDResult> NeedReleaseControl(CDSourceHandle handle, std::shared_ptr<Source>& source) {
  source = FindSource(handle);
  if (!source) return kCDErrInvalidHandle;
  if (!source->releaseControl) return kCDErrInvalidCall;
  return std::nullopt;
}

std::optional<std::vector<std::uint32_t>> OfferedValues(const CdSetting& setting) {
  const auto& overrides = State().engine.config().cd.settings;
  const auto found = overrides.find(setting.name);
  if (found != overrides.end() && found->second.valuesGiven) return found->second.values;
  return setting.values;
}

std::uint32_t InitialValue(const CdSetting& setting) {
  const auto& overrides = State().engine.config().cd.settings;
  const auto found = overrides.find(setting.name);
  if (found != overrides.end() && found->second.initial) return *found->second.initial;
  return setting.initial;
}

std::optional<CDResult> Refusal(std::string_view entryPoint,
                                std::initializer_list<std::uint32_t> values) {
  for (const RefuseRule& rule : State().engine.config().cd.refusals) {
    if (rule.entryPoint == entryPoint && rule.Matches(values)) return rule.code;
  }
  return std::nullopt;
}

std::optional<CDResult> CheckValue(std::string_view entryPoint,
                                   std::initializer_list<std::uint32_t> callValues,
                                   const CdSetting& setting, std::uint32_t value) {
  if (auto code = Refusal(entryPoint, callValues)) return code;
  const auto offered = OfferedValues(setting);
  if (offered && std::find(offered->begin(), offered->end(), value) == offered->end()) {
    return kCDErrDeviceRefused;
  }
  return std::nullopt;
}

void DeliverReleaseEvent(const std::shared_ptr<Source>& source, std::uint32_t id,
                         std::uint32_t data) {
  // Read afresh for each event: a callback may enter release control again.
  const CDReleaseEventCallback callback = source->releaseCallback;
  if (!source->releaseControl || !callback) return;
  const std::uint32_t eventData = data;
  callback(id, &eventData, sizeof eventData, source->releaseContext);
}

CDResult Succeed(Call& call, CDSourceHandle handle) {
  CdState& state = State();
  // Copied first: a callback may read the configuration anew.
  std::vector<EventRule> rules;
  for (const EventRule& rule : state.engine.config().cd.events) {
    if (call.IsNamed(rule.entryPoint) && rule.Matches(call.Number())) rules.push_back(rule);
  }
  for (const EventRule& rule : rules) {
    std::vector<std::shared_ptr<Source>> targets;
    if (handle != 0) {
      if (auto source = FindSource(handle)) targets.push_back(source);
    } else {
      for (const auto& [unused, source] : state.sources) targets.push_back(source);
    }
    for (const auto& source : targets) {
      if (rule.release) {
        DeliverReleaseEvent(source, rule.id, rule.data);
        continue;
      }
      const std::vector<DeviceCallback> callbacks = source->deviceCallbacks;
      for (const DeviceCallback& entry : callbacks) {
        if (!entry.callback) continue;
        const std::uint32_t data = rule.data;
        entry.callback(rule.id, &data, sizeof data, entry.context);
      }
    }
  }
  return call.Return(kCDOk);
}

}  // namespace simcam
