// Setting environment variables from the tests (the libraries read SIMCAM_CONFIG and
// SIMCAM_TRACE from the process environment).
#pragma once

namespace simcam_test {

// Sets the variable, or removes it when `value` is null.
void SetEnv(const char* name, const char* value);

}  // namespace simcam_test
