#include "disk/fat_table.h"

#include <algorithm>
#include <unordered_set>

#include "disk/le_bytes.h"

namespace rotopal {
namespace {

// Entries read at a time: the whole FAT of a FAT12 or FAT16 volume, a 1 MiB window of FAT32's.
constexpr std::uint64_t kWindowEntries = 262144;

Failure<DiskError> Broken(std::string why) {
    return Failure{DiskError{.kind = DiskErrorKind::VolumeErrors, .detail = std::move(why)}};
}

std::string Cluster(std::uint32_t cluster) {
    return "cluster " + std::to_string(cluster);
}

}  // namespace

FatLink ClassifyFatEntry(FatKind kind, std::uint32_t value, const FatGeometry& geometry) {
    const std::uint32_t bad = kind == FatKind::Fat12   ? 0xFF7
                              : kind == FatKind::Fat16 ? 0xFFF7
                                                       : 0x0FFFFFF7;
    if (value == 0) {
        return FatLink::Free;
    }
    if (value > bad) {
        return FatLink::End;
    }
    if (value == bad) {
        return FatLink::Bad;
    }
    return geometry.HasCluster(value) ? FatLink::Next : FatLink::OutOfRange;
}

FatTable::FatTable(const FatGeometry& geometry, VolumeRead read)
    : geometry_(geometry), read_(std::move(read)) {}

Result<void, DiskError> FatTable::Load(std::uint64_t index) {
    const std::uint64_t entries = std::uint64_t{geometry_.clusterCount} + 2;
    // FAT12 packs two entries into three bytes; its FAT is small, so it is read whole.
    const bool whole = geometry_.kind != FatKind::Fat32;
    windowFirst_ = whole ? 0 : index - index % kWindowEntries;
    windowEntries_ = whole ? entries : std::min(kWindowEntries, entries - windowFirst_);
    const std::uint64_t bits = geometry_.kind == FatKind::Fat12 ? 12 : geometry_.kind == FatKind::Fat16 ? 16 : 32;
    const std::uint64_t from = windowFirst_ * bits / 8;
    const std::uint64_t size = (windowEntries_ * bits + 7) / 8 + 1;
    window_.resize(static_cast<std::size_t>(size));
    return read_(geometry_.ActiveFatOffset() + from, window_);
}

Result<std::uint32_t, DiskError> FatTable::Entry(std::uint32_t cluster) {
    if (window_.empty() || cluster < windowFirst_ || cluster >= windowFirst_ + windowEntries_) {
        if (auto loaded = Load(cluster); !loaded) {
            return Failure{loaded.error()};
        }
    }
    return EntryInWindow(cluster);
}

std::uint32_t FatTable::EntryInWindow(std::uint32_t cluster) const {
    const std::uint64_t at = cluster - windowFirst_;
    switch (geometry_.kind) {
        case FatKind::Fat12: {
            const std::uint32_t pair = Le16(window_, static_cast<std::size_t>(at * 3 / 2));
            return cluster % 2 == 0 ? pair & 0xFFF : pair >> 4;
        }
        case FatKind::Fat16: return Le16(window_, static_cast<std::size_t>(at * 2));
        case FatKind::Fat32: return Le32(window_, static_cast<std::size_t>(at * 4)) & 0x0FFFFFFF;
    }
    return 0u;
}

Result<std::vector<std::uint32_t>, DiskError> FatTable::Chain(std::uint32_t first,
                                                              std::uint64_t maxClusters,
                                                              const std::string& what) {
    if (!geometry_.HasCluster(first)) {
        return Broken(what + " starts at " + Cluster(first) + ", outside the volume");
    }
    std::vector<std::uint32_t> chain{first};
    std::unordered_set<std::uint32_t> seen{first};
    for (;;) {
        const auto value = Entry(chain.back());
        if (!value) {
            return Failure{value.error()};
        }
        switch (ClassifyFatEntry(geometry_.kind, value.value(), geometry_)) {
            case FatLink::End: return chain;
            case FatLink::Free:
                return Broken(what + " runs into the free " + Cluster(chain.back()));
            case FatLink::Bad: return Broken(what + " runs into a cluster marked bad");
            case FatLink::OutOfRange:
                return Broken(what + " links " + Cluster(chain.back()) + " to " +
                              std::to_string(value.value()) + ", outside the volume");
            case FatLink::Next: break;
        }
        if (!seen.insert(value.value()).second) {
            return Broken(what + " loops back to " + Cluster(value.value()));
        }
        if (chain.size() >= maxClusters) {
            return Broken(what + " has more clusters than its size needs");
        }
        chain.push_back(value.value());
    }
}

Result<std::uint32_t, DiskError> FatTable::NothingRunsInto(
    const std::unordered_map<std::uint32_t, std::uint32_t>& predecessor, const std::string& what) {
    // A bit per cluster answers "is this one of ours" for each of the FAT's entries at the cost
    // of one load, where a lookup in the map would dominate a large FAT32's scan.
    const std::uint64_t entries = std::uint64_t{geometry_.clusterCount} + 2;
    std::vector<bool> ours(static_cast<std::size_t>(entries), false);
    for (const auto& [cluster, before] : predecessor) {
        ours[cluster] = true;
    }
    std::uint64_t linking = 0;  // the first cluster found linking into ours, if any
    std::uint32_t free = 0;
    const auto scan = [&](std::uint64_t from, std::uint64_t to, auto entryAt) {
        for (std::uint64_t cluster = from; cluster < to && linking == 0; ++cluster) {
            const std::uint32_t value = entryAt(cluster - windowFirst_);
            free += value == 0 ? 1 : 0;
            if (value < entries && ours[value] && predecessor.at(value) != cluster) {
                linking = cluster;
            }
        }
    };
    for (std::uint64_t first = 2; first < entries && linking == 0;) {
        if (auto loaded = Load(first); !loaded) {
            return Failure{loaded.error()};
        }
        const std::uint64_t end = std::min(entries, windowFirst_ + windowEntries_);
        const std::span<const std::uint8_t> w = window_;
        switch (geometry_.kind) {
            case FatKind::Fat12:
                scan(first, end, [&](std::uint64_t at) {
                    const std::uint32_t pair = Le16(w, static_cast<std::size_t>(at * 3 / 2));
                    return (windowFirst_ + at) % 2 == 0 ? pair & 0xFFF : pair >> 4;
                });
                break;
            case FatKind::Fat16:
                scan(first, end, [&](std::uint64_t at) -> std::uint32_t {
                    return Le16(w, static_cast<std::size_t>(at * 2));
                });
                break;
            case FatKind::Fat32:
                scan(first, end, [&](std::uint64_t at) {
                    return Le32(w, static_cast<std::size_t>(at * 4)) & 0x0FFFFFFF;
                });
                break;
        }
        first = end;
    }
    if (linking != 0) {
        return Broken(Cluster(static_cast<std::uint32_t>(linking)) + " links into " + what +
                      " (a cross-link)");
    }
    return free;
}

}  // namespace rotopal
