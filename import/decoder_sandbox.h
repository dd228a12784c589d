#pragma once

#include <string>

#include "core/result.h"

namespace rotopal {

// Shuts the decoder in before it reads a byte of the picture: no new privileges, then a
// seccomp filter under which opening a file for anything but reading, making or changing
// files, sockets, running programs and tracing others fail with EPERM. What it must load
// (libvips, the loader module a picture needs) is loaded before. The error says what failed.
Result<void, std::string> EnterSandbox();

}  // namespace rotopal
