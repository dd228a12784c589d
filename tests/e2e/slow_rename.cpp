// A slow disk for the window check: loaded with LD_PRELOAD, it delays every rename(2) by
// ROTOPAL_SLOW_RENAME_MS milliseconds (default 200), so a save takes long enough to be seen.

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

using RenameFunction = int (*)(const char*, const char*);

unsigned DelayMicroseconds() {
    const char* text = std::getenv("ROTOPAL_SLOW_RENAME_MS");
    const long milliseconds = text != nullptr ? std::strtol(text, nullptr, 10) : 200;
    return static_cast<unsigned>(milliseconds > 0 ? milliseconds : 0) * 1000u;
}

}  // namespace

extern "C" int rename(const char* from, const char* to) {
    static const auto real = reinterpret_cast<RenameFunction>(::dlsym(RTLD_NEXT, "rename"));
    ::usleep(DelayMicroseconds());
    return real(from, to);
}
