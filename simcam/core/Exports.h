// Declaring the entry points of an SDK list, and generating those that a library does not
// implement by hand.
//
// A library marks each entry point it implements by defining SIMCAM_IMPLEMENTS_<Identifier> as
// `~, 1`. SIMCAM_STUB_UNLESS_IMPLEMENTED, expanded over the list, then defines every other entry
// point as an exported function that answers `code` (see Unsupported). Marking an entry point
// without defining it, or defining one without marking it, fails the link.
#pragma once

#include <cstdint>

#include "sdk/SdkCall.h"
#include "simcam/core/Engine.h"

#define SIMCAM_SECOND_(a, b, ...) b
#define SIMCAM_PROBE_(...) SIMCAM_SECOND_(__VA_ARGS__, 0, )
#define SIMCAM_IS_IMPLEMENTED_(name) SIMCAM_PROBE_(SIMCAM_IMPLEMENTS_##name)
#define SIMCAM_CAT_(a, b) SIMCAM_CAT2_(a, b)
#define SIMCAM_CAT2_(a, b) a##b

#define SIMCAM_STUB_0(name, exportName, params, engine, code)    \
  extern "C" std::uint32_t SDKCALL name params {                 \
    return simcam::Unsupported(engine, exportName, #name, code); \
  }
#define SIMCAM_STUB_1(name, exportName, params, engine, code)

// Defines the entry point as an unsupported one unless the library implements it.
#define SIMCAM_STUB_UNLESS_IMPLEMENTED(name, exportName, params, engine, code) \
  SIMCAM_CAT_(SIMCAM_STUB_, SIMCAM_IS_IMPLEMENTED_(name))(name, exportName, params, engine, code)

// Declares the entry point with the list's own parameter list, so that a hand-written
// definition with other parameters fails to compile.
#define SIMCAM_DECLARE_ENTRY_POINT(name, exportName, params) \
  extern "C" std::uint32_t SDKCALL name params;
