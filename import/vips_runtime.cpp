#include "import/vips_runtime.h"

#include <gmodule.h>
#include <vips/vips.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <utility>

namespace rotopal {
namespace {

// At most this many different warnings are kept; a broken picture can say the same thing for
// every row.
constexpr std::size_t kMaxWarnings = 8;

std::mutex warningsMutex;
std::vector<std::string>* capturing = nullptr;  // the live capture's list, guarded by the mutex

void KeepWarning(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
    const std::lock_guard lock(warningsMutex);
    if (capturing == nullptr || message == nullptr) {
        return;
    }
    // libvips passes on its error buffer as one warning: a line each, blank ones left out.
    std::string_view text = message;
    while (!text.empty()) {
        const auto end = std::min(text.find('\n'), text.size());
        const std::string line(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && capturing->size() < kMaxWarnings &&
            std::find(capturing->begin(), capturing->end(), line) == capturing->end()) {
            capturing->push_back(line);
        }
    }
}

}  // namespace

bool StartVips() {
    static const bool started = [] {
        // libvips loads every module in its home's module folder when it starts, ImageMagick
        // and PDF readers among them, which costs more than decoding a photograph's header.
        // Pointed at this module's own folder, which holds none, it starts with its built-in
        // loaders only. A home the user chose is left alone.
        if (std::getenv("VIPSHOME") == nullptr) {
            ::setenv("VIPSHOME", ROTOPAL_VIPS_HOME, 0);
        }
        if (vips_init("rotopal") != 0) {
            return false;
        }
        vips_cache_set_max(0);
        // The import owns libvips within this process; its warnings belong to the import.
        g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING, KeepWarning, nullptr);
        return true;
    }();
    return started;
}

void LoadDecoderModuleFor(PictureFormat format) {
    // libvips reads BMP through its ImageMagick module and HEIF through its libheif module.
    const char* name = format == PictureFormat::Bmp    ? "vips-magick"
                       : format == PictureFormat::Heif ? "vips-heif"
                                                       : nullptr;
    if (name == nullptr) {
        return;
    }
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    static std::vector<std::string> loaded;
    if (std::find(loaded.begin(), loaded.end(), name) != loaded.end()) {
        return;
    }
    const std::string path = std::string(ROTOPAL_VIPS_MODULES) + "/" + name + ".so";
    // Opening the module registers its loaders; it stays for the life of the process. Where it
    // is missing, the picture is refused as unreadable, as it would be without the module.
    if (GModule* module = g_module_open(path.c_str(), G_MODULE_BIND_LAZY)) {
        g_module_make_resident(module);
    }
    loaded.emplace_back(name);
}

DecoderWarnings::DecoderWarnings() {
    const std::lock_guard lock(warningsMutex);
    capturing = &warnings_;
}

DecoderWarnings::~DecoderWarnings() {
    const std::lock_guard lock(warningsMutex);
    capturing = nullptr;
}

std::vector<std::string> DecoderWarnings::Take() {
    const std::lock_guard lock(warningsMutex);
    return std::exchange(warnings_, {});
}

}  // namespace rotopal
