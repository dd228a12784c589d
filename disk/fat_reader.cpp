#include "disk/fat_reader.h"

#include <algorithm>

namespace rotopal {
namespace {

// A folder holds at most 65536 entries of 32 bytes.
constexpr std::uint64_t kMaxFolderBytes = 65536 * 32;

Failure<DiskError> Broken(std::string why) {
    return Failure{DiskError{.kind = DiskErrorKind::VolumeErrors, .detail = std::move(why)}};
}

}  // namespace

FatReader::FatReader(const DiskImage& image, const VolumePlace& place, const FatGeometry& geometry)
    : image_(&image),
      place_(place),
      geometry_(geometry),
      table_(geometry, [&image, offset = place.offset](std::uint64_t at, std::span<std::uint8_t> into) {
          return image.ReadInto(offset + at, into);
      }) {}

Result<FatReader, DiskError> FatReader::Open(const DiskImage& image, const VolumePlace& place) {
    const auto boot = image.Read(place.offset, 512);
    if (!boot) {
        return Failure{boot.error()};
    }
    const auto geometry = ReadFatGeometry(boot.value(), place.room);
    if (!geometry) {
        return Failure{geometry.error()};
    }
    return FatReader(image, place, geometry.value());
}

Result<std::vector<std::uint8_t>, DiskError> FatReader::ReadClusters(
    std::span<const std::uint32_t> clusters, std::size_t maxBytes) const {
    std::vector<std::uint8_t> bytes;
    const std::uint64_t clusterBytes = geometry_.ClusterBytes();
    for (const std::uint32_t cluster : clusters) {
        if (bytes.size() >= maxBytes) {
            break;
        }
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(clusterBytes, maxBytes - bytes.size()));
        const auto piece = image_->Read(place_.offset + geometry_.ClusterOffset(cluster), size);
        if (!piece) {
            return Failure{piece.error()};
        }
        bytes.insert(bytes.end(), piece.value().begin(), piece.value().end());
        bytes.resize(bytes.size() + (size - piece.value().size()), 0);
    }
    return bytes;
}

Result<FatFolder, DiskError> FatReader::ReadFolder(std::span<const std::string> names) {
    const bool fat32 = geometry_.kind == FatKind::Fat32;
    FatFolder folder;
    std::vector<std::uint8_t> bytes;
    if (fat32) {
        auto clusters = table_.Chain(geometry_.rootCluster,
                                     std::max<std::uint64_t>(1, kMaxFolderBytes / geometry_.ClusterBytes()),
                                     "the root folder");
        if (!clusters) {
            return Failure{clusters.error()};
        }
        folder.clusters = std::move(clusters.value());
    } else {
        auto root = image_->Read(place_.offset + geometry_.RootOffset(),
                                 static_cast<std::size_t>(geometry_.RootBytes()));
        if (!root) {
            return Failure{root.error()};
        }
        bytes = std::move(root.value());
    }
    for (std::size_t depth = 0;; ++depth) {
        if (!folder.clusters.empty()) {
            auto read = ReadClusters(folder.clusters, kMaxFolderBytes);
            if (!read) {
                return Failure{read.error()};
            }
            bytes = std::move(read.value());
        }
        folder.entries = ParseFolder(bytes, fat32);
        if (depth == names.size()) {
            return folder;
        }
        const std::string& name = names[depth];
        const std::string parent = folder.path.empty() ? "the root folder" : folder.path;
        const auto found = EntriesNamed(folder.entries, name);
        if (found.size() > 1) {
            return Broken(parent + " holds " + std::to_string(found.size()) + " entries named " + name);
        }
        // The short name goes on: it names the folder to mtools as exactly as to us.
        folder.path += "\\" + (found.empty() ? name : found.front().name);
        if (found.empty() || !found.front().IsFolder()) {
            return Failure{DiskError{.kind = DiskErrorKind::NoFolder,
                                     .detail = folder.path + (found.empty() ? "" : " (it is a file)")}};
        }
        auto clusters = table_.Chain(found.front().firstCluster,
                                     std::max<std::uint64_t>(1, kMaxFolderBytes / geometry_.ClusterBytes()),
                                     "the folder " + folder.path);
        if (!clusters) {
            return Failure{clusters.error()};
        }
        folder.clusters = std::move(clusters.value());
    }
}

Result<std::vector<std::uint32_t>, DiskError> FatReader::FileClusters(const FolderEntry& file,
                                                                      const std::string& what) {
    const std::uint64_t needed = (std::uint64_t{file.size} + geometry_.ClusterBytes() - 1) /
                                 geometry_.ClusterBytes();
    if (needed == 0) {
        if (file.firstCluster != 0) {
            return Broken(what + " is empty but holds clusters");
        }
        return std::vector<std::uint32_t>{};
    }
    auto clusters = table_.Chain(file.firstCluster, needed, what);
    if (!clusters) {
        return clusters;
    }
    if (clusters.value().size() != needed) {
        return Broken(what + " has " + std::to_string(clusters.value().size()) + " of the " +
                      std::to_string(needed) + " clusters its size of " + std::to_string(file.size) +
                      " bytes needs");
    }
    return clusters;
}

Result<std::vector<std::uint8_t>, DiskError> FatReader::ReadFile(const FolderEntry& file,
                                                                 const std::string& what,
                                                                 std::size_t maxBytes) {
    const auto clusters = FileClusters(file, what);
    if (!clusters) {
        return Failure{clusters.error()};
    }
    return ReadClusters(clusters.value(), std::min<std::size_t>(maxBytes, file.size));
}

}  // namespace rotopal
