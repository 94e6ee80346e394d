#include <stdlib.h>

#include "tests/simcam/Env.h"

namespace simcam_test {

// _putenv_s updates the C runtime's copy that getenv reads; the libraries share that runtime.
void SetEnv(const char* name, const char* value) {
  ::_putenv_s(name, value ? value : "");
}

}  // namespace simcam_test
