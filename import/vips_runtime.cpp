#include "import/vips_runtime.h"

#include "import/decoder_words.h"

#include <gmodule.h>
#include <vips/vips.h>

#include <algorithm>
#include <array>
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
bool* capturingMemory = nullptr;                // and whether it heard of memory running out

// What libvips says of sound files: notes about their metadata, not damage to their pixels.
bool IsNote(std::string_view line) {
    constexpr std::array<std::string_view, 4> kNotes{"EXIF", "exif", "number of frames", "XMP"};
    return std::any_of(kNotes.begin(), kNotes.end(), [&](std::string_view note) {
        return line.find(note) != std::string_view::npos;
    });
}

void KeepWarning(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
    const std::lock_guard lock(warningsMutex);
    if (capturing == nullptr || message == nullptr) {
        return;
    }
    // libvips passes on its error buffer as one warning: a line each, blank ones left out.
    std::string_view text = message;
    while (!text.empty()) {
        const auto end = std::min(text.find('\n'), text.size());
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (raw.empty() || IsNote(raw)) {
            continue;
        }
        if (SaysMemoryRanOut(raw)) {
            *capturingMemory = true;
            continue;
        }
        // In the user's terms, so that the same damage told by two functions is kept once.
        std::string line = InPlainWords(raw);
        if (capturing->size() < kMaxWarnings &&
            std::find(capturing->begin(), capturing->end(), line) == capturing->end()) {
            capturing->push_back(std::move(line));
        }
    }
}

}  // namespace

bool StartVips() {
    static const bool started = [] {
        if (vips_init("rotopal-decode") != 0) {
            return false;
        }
        vips_cache_set_max(0);
        vips_concurrency_set(1);
        // The import owns libvips within this process; its warnings belong to the import.
        g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING, KeepWarning, nullptr);
        return true;
    }();
    return started;
}

std::optional<std::string> LoadDecoderModuleFor(PictureFormat format) {
    // libvips reads BMP through its ImageMagick module and HEIF through its libheif module.
    const char* name = format == PictureFormat::Bmp    ? "vips-magick"
                       : format == PictureFormat::Heif ? "vips-heif"
                                                       : nullptr;
    if (name == nullptr) {
        return std::nullopt;
    }
    // The loader may be there already: built in, or loaded by libvips from its own home.
    const char* loader = format == PictureFormat::Bmp ? "magickload_source" : "heifload_source";
    if (vips_type_find("VipsOperation", loader) != 0 ||
        vips_type_find("VipsOperation", format == PictureFormat::Bmp ? "magickload" : "heifload") != 0) {
        return std::nullopt;
    }
    const std::string path = std::string(ROTOPAL_VIPS_MODULES) + "/" + name + ".so";
    // Opening the module registers its loaders; it stays for the life of the process.
    GModule* module = g_module_open(path.c_str(), G_MODULE_BIND_LAZY);
    if (module == nullptr) {
        const char* why = g_module_error();
        return std::string(why != nullptr ? why : path + " cannot be loaded");
    }
    g_module_make_resident(module);
    return std::nullopt;
}

DecoderWarnings::DecoderWarnings() {
    const std::lock_guard lock(warningsMutex);
    capturing = &warnings_;
    capturingMemory = &memoryRanOut_;
}

DecoderWarnings::~DecoderWarnings() {
    const std::lock_guard lock(warningsMutex);
    capturing = nullptr;
    capturingMemory = nullptr;
}

bool DecoderWarnings::MemoryRanOut() const {
    const std::lock_guard lock(warningsMutex);
    return memoryRanOut_;
}

std::vector<std::string> DecoderWarnings::Take() {
    const std::lock_guard lock(warningsMutex);
    return std::exchange(warnings_, {});
}

}  // namespace rotopal
