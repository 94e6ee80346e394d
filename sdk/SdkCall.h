// Calling convention of the camera libraries and helpers for their entry-point lists.
//
// The camera libraries are 32-bit Windows DLLs whose entry points and callbacks use __stdcall
// (arguments pushed right to left, removed by the callee). On every other target (64-bit Windows,
// where the keyword would mean nothing, and the native build with our stand-in libraries) the
// platform's one C calling convention is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(_WIN32) && !defined(_WIN64)
#define SDKCALL __stdcall
#else
#define SDKCALL
#endif

// Each library header lists its bound entry points once, as an X-macro
//   <LIB>_ENTRY_POINTS(X)   expanding   X(Identifier, "ExportName", (parameter list))
// per entry point, in binding order. Every entry point returns the library's 32-bit result
// (0 = success). The helpers below expand one entry; pass one of them as X.

// typedef uint32_t (SDKCALL* IdentifierProc)(parameters);
#define SDK_ENTRY_POINT_PROC_TYPE(name, exportName, params) \
  typedef std::uint32_t(SDKCALL* name##Proc) params;

// Counting: 0 LIST(SDK_ENTRY_POINT_COUNT_ONE) is the length of the list.
#define SDK_ENTRY_POINT_COUNT_ONE(name, exportName, params) +1

// "ExportName", for a table of export names in binding order.
#define SDK_ENTRY_POINT_EXPORT_NAME(name, exportName, params) exportName,

// "Identifier", for a table of the C++ names in binding order.
#define SDK_ENTRY_POINT_IDENTIFIER(name, exportName, params) #name,

// Identifier, for an enumeration of the entry points in binding order.
#define SDK_ENTRY_POINT_ENUMERATOR(name, exportName, params) name,

// True when every name of `names` is one of `list` (used to tie the called entry points to the
// bound ones at compile time).
template <std::size_t N, std::size_t M>
constexpr bool SdkNamesAllListed(const char* const (&names)[N], const char* const (&list)[M]) {
  for (const char* name : names) {
    bool listed = false;
    for (const char* entry : list) {
      if (std::string_view(name) == std::string_view(entry)) listed = true;
    }
    if (!listed) return false;
  }
  return true;
}
