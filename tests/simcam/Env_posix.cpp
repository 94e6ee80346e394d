#include <stdlib.h>

#include "tests/simcam/Env.h"

namespace simcam_test {

void SetEnv(const char* name, const char* value) {
  if (value) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
}

}  // namespace simcam_test
