#include "import/module_loader.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/version.h"

namespace rotopal {
namespace {

// The folder the running program is in, or "" when the system will not say.
std::string ProgramFolder() {
    std::array<char, PATH_MAX> path{};
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) {
        return {};
    }
    std::string folder(path.data(), static_cast<std::size_t>(length));
    return folder.substr(0, folder.find_last_of('/'));
}

std::vector<std::string> LibrarySearchFolders() {
    void* program = ::dlopen(nullptr, RTLD_LAZY);
    Dl_serinfo size{};
    if (program == nullptr || ::dlinfo(program, RTLD_DI_SERINFOSIZE, &size) != 0) {
        return {};
    }
    // The list and its strings in one block, as dlinfo lays them out.
    std::vector<Dl_serinfo> block(size.dls_size / sizeof(Dl_serinfo) + 1);
    Dl_serinfo* info = block.data();
    *info = size;
    if (::dlinfo(program, RTLD_DI_SERINFO, info) != 0) {
        return {};
    }
    std::vector<std::string> folders;
    for (unsigned i = 0; i < info->dls_cnt; ++i) {
        folders.emplace_back(info->dls_serpath[i].dls_name);
    }
    return folders;
}

std::vector<std::string> Candidates() {
    if (const char* chosen = std::getenv("ROTOPAL_IMPORT_MODULE");
        chosen != nullptr && *chosen != '\0') {
        return {chosen};
    }
    std::vector<std::string> candidates;
    if (const std::string folder = ProgramFolder(); !folder.empty()) {
        candidates.push_back(folder + "/" ROTOPAL_MODULE_FROM_PROGRAMS "/" + kImportModuleFile);
    }
    // Then the folders the dynamic linker searches for the program itself (its run path, set in
    // a build tree, among them), each named in full: a bare name would be looked up for
    // whichever library happens to call dlopen, such as a sanitizer's.
    for (const std::string& folder : LibrarySearchFolders()) {
        candidates.push_back(folder + "/" + kImportModuleFile);
    }
    return candidates;
}

// What an import maps beyond the process's size before it, at the most: found with `ulimit -v`
// on a two-core machine (up to 113 MiB, for a large WebP), with room for the stack and buffers
// of each of libvips's worker threads, one per core.
std::size_t ImportAddressSpace() {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    const std::size_t cores = std::max(1U, std::thread::hardware_concurrency());
    return 128 * kMiB + 16 * kMiB * std::min<std::size_t>(cores, 64);
}

bool SaysOutOfMemory(const std::string& reason) {
    return reason.find("allocate memory") != std::string::npos ||
           reason.find("failed to map segment") != std::string::npos;
}

Result<const ImportModule*, ImportError> Open(const std::string& file) {
    void* handle = ::dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = ::dlerror();
        std::string detail = reason != nullptr ? reason : file + ": cannot be loaded";
        const auto kind =
            SaysOutOfMemory(detail) ? ImportErrorKind::OutOfMemory : ImportErrorKind::ModuleMissing;
        return Failure{ImportError{.kind = kind, .detail = std::move(detail)}};
    }
    using Entry = const ImportModule* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(handle, kImportModuleEntry));
    const ImportModule* module = entry != nullptr ? entry() : nullptr;
    if (module == nullptr || std::strcmp(module->version, std::string(kVersion).c_str()) != 0 ||
        module->layout != ImportModuleLayout()) {
        ::dlclose(handle);
        return Failure{ImportError{
            .kind = ImportErrorKind::ModuleMissing,
            .detail = file + " is not the picture import of rotopal " + std::string(kVersion)}};
    }
    // Kept open for the life of the process: libvips cannot be started twice.
    return module;
}

}  // namespace

Result<void, ImportError> CheckRoomForImport() {
    const std::size_t size = ImportAddressSpace();
    void* room = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (room == MAP_FAILED) {
        return Failure{ImportError{.kind = ImportErrorKind::OutOfMemory, .limit = size}};
    }
    ::munmap(room, size);
    return {};
}

Result<const ImportModule*, ImportError> LoadImportModule() {
    static std::mutex mutex;
    static const ImportModule* loaded = nullptr;
    const std::lock_guard lock(mutex);
    if (loaded != nullptr) {
        return loaded;
    }
    std::optional<ImportError> first;
    for (const std::string& candidate : Candidates()) {
        auto opened = Open(candidate);
        if (opened) {
            loaded = opened.value();
            return loaded;
        }
        // The first place is where the module belongs, so its failure is the one to report,
        // unless a later place failed for want of memory.
        if (!first || opened.error().kind == ImportErrorKind::OutOfMemory) {
            first = opened.error();
        }
    }
    return Failure{*first};
}

}  // namespace rotopal
