#include <gtest/gtest.h>

#include <cstdint>

#include "component/SdkBinding.h"
#include "platform/Errors.h"
#include "platform/Library.h"

namespace {

void NoUnload() {}

// A load adds "no box when a file cannot be opened" to the error mode in force, so that what the
// program set (critical errors fail the call) stays in force during the load too. The mode is as
// before afterwards, also when the binding fails.
TEST(SdkBinding, TheLoadAddsToTheErrorModeInForceAndRestoresIt) {
  const rt::ExitProcedure exit_before = rt::GetExitProc();
  const std::uint32_t original = rt::SetErrorMode(rt::kFailCriticalErrors);
  std::uint32_t during = 0;
  SdkBinding::LibraryState bound;
  EXPECT_TRUE(SdkBinding::Load(bound, "TESTLIB", "TESTLIB.DLL", NoUnload,
                               [&] { during = rt::GetErrorMode(); }));
  EXPECT_EQ(during, rt::kFailCriticalErrors | SdkBinding::kNoOpenFileErrorBox);
  EXPECT_EQ(rt::GetErrorMode(), rt::kFailCriticalErrors);

  SdkBinding::LibraryState failed;
  EXPECT_THROW(SdkBinding::Load(failed, "TESTLIB", "TESTLIB.DLL", NoUnload,
                                [] { rt::AssertionFailure("TESTLIB", 1); }),
               rt::EAssertionFailed);
  EXPECT_EQ(rt::GetErrorMode(), rt::kFailCriticalErrors);

  rt::SetErrorMode(original);
  rt::SetExitProc(exit_before);
  rt::FreeLib(failed.Handle);
  rt::FreeLib(bound.Handle);
}

}  // namespace
