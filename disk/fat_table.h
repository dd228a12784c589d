#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/result.h"
#include "disk/disk_error.h"
#include "disk/fat_geometry.h"

namespace rotopal {

// Fills the buffer with the volume's bytes from an offset from its start on.
using VolumeRead =
    std::function<Result<void, DiskError>(std::uint64_t offset, std::span<std::uint8_t> buffer)>;

// The FAT a volume uses (the first, unless FAT32 mirroring is off), the one mtools reads, read a
// window at a time, so that its cost follows the FAT's size and nothing else of the volume.
class FatTable {
public:
    FatTable(const FatGeometry& geometry, VolumeRead read);

    // The clusters of the chain from first on, checked link by link: every link inside the
    // volume, no free or bad cluster, no loop, and no more than maxClusters. A file's chain must
    // also end exactly at the count its size needs, which the caller checks; `what` names the
    // chain's owner in the error.
    Result<std::vector<std::uint32_t>, DiskError> Chain(std::uint32_t first,
                                                        std::uint64_t maxClusters,
                                                        const std::string& what);

    // Refuses the volume when any FAT entry other than its own predecessor links into one of
    // these chains (a cross-link). `predecessor` maps each cluster of the chains to the one
    // before it, 0 for a chain's first cluster; `what` names them all in the error. One pass
    // over the FAT, which also counts its free clusters.
    Result<std::uint32_t, DiskError> NothingRunsInto(
        const std::unordered_map<std::uint32_t, std::uint32_t>& predecessor, const std::string& what);

private:
    Result<std::uint32_t, DiskError> Entry(std::uint32_t cluster);
    Result<void, DiskError> Load(std::uint64_t entryIndex);
    std::uint32_t EntryInWindow(std::uint32_t cluster) const;  // the window holds it

    FatGeometry geometry_;
    VolumeRead read_;
    std::uint64_t windowFirst_ = 0;  // the first entry the window holds
    std::uint64_t windowEntries_ = 0;
    std::vector<std::uint8_t> window_;
};

// What a FAT entry's value means.
enum class FatLink { Free, Next, End, Bad, OutOfRange };
FatLink ClassifyFatEntry(FatKind kind, std::uint32_t value, const FatGeometry& geometry);

}  // namespace rotopal
