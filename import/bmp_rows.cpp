#include "import/bmp_rows.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "document/file_io.h"

namespace rotopal {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kBitFields = 3;
// The size rule refuses anything wider long before this; a row must also fit a buffer.
constexpr std::int64_t kMaxSide = 1 << 20;

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// Where the rows are and how to turn one into RGB or RGBA samples.
struct BmpRows {
    int descriptor = -1;
    int width = 0;
    int height = 0;
    bool bottomUp = true;
    int bits = 24;
    bool alpha = false;
    std::uint64_t pixelsAt = 0;
    std::uint64_t stride = 0;
    std::array<std::array<std::uint8_t, 3>, 256> palette{};  // red, green, blue

    int Bands() const { return alpha ? 4 : 3; }

    // Fills one row of samples from the stored row bytes.
    void Convert(std::span<const std::uint8_t> in, std::uint8_t* out) const {
        const int bands = Bands();
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = out + static_cast<std::ptrdiff_t>(x) * bands;
            const auto ux = static_cast<std::size_t>(x);
            if (bits <= 8) {
                const std::size_t bit = ux * static_cast<std::size_t>(bits);
                const unsigned shift = 8u - static_cast<unsigned>(bits) - static_cast<unsigned>(bit % 8);
                const unsigned index = (unsigned{in[bit / 8]} >> shift) & ((1u << bits) - 1u);
                pixel[0] = palette[index][0];
                pixel[1] = palette[index][1];
                pixel[2] = palette[index][2];
                continue;
            }
            const std::size_t at = ux * static_cast<std::size_t>(bits / 8);
            pixel[0] = in[at + 2];
            pixel[1] = in[at + 1];
            pixel[2] = in[at];
            if (alpha) {
                pixel[3] = in[at + 3];
            }
        }
    }
};

int GenerateRows(VipsRegion* region, void*, void* client, void*, gboolean*) {
    const auto& rows = *static_cast<const BmpRows*>(client);
    const VipsRect& r = region->valid;
    std::vector<std::uint8_t> stored(rows.stride);
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(rows.width) * static_cast<std::size_t>(rows.Bands()));
    for (int y = r.top; y < r.top + r.height; ++y) {
        const int fileRow = rows.bottomUp ? rows.height - 1 - y : y;
        const auto read = ReadAtOffset(rows.descriptor,
                                       rows.pixelsAt + static_cast<std::uint64_t>(fileRow) * rows.stride,
                                       stored);
        if (!read || read.value() != stored.size()) {
            vips_error("bmpload", "%s", "the picture is cut short");
            return -1;
        }
        rows.Convert(stored, samples.data());
        const std::size_t offset = static_cast<std::size_t>(r.left) * static_cast<std::size_t>(rows.Bands());
        // The region's rows lie bpl bytes apart from its top-left sample.
        auto* line = reinterpret_cast<std::uint8_t*>(region->data) +
                     static_cast<std::size_t>(y - r.top) * static_cast<std::size_t>(region->bpl);
        std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(offset),
                    static_cast<std::size_t>(r.width) * static_cast<std::size_t>(rows.Bands()), line);
    }
    return 0;
}

std::optional<BmpRows> ReadLayout(int descriptor) {
    std::array<std::uint8_t, kFileHeaderBytes + 124> head{};
    const auto got = ReadAtOffset(descriptor, 0, head);
    if (!got || got.value() < kFileHeaderBytes + 40 || head[0] != 'B' || head[1] != 'M') {
        return std::nullopt;
    }
    const std::uint32_t headerBytes = Le32(head, 14);
    if (headerBytes < 40 || headerBytes > 124 || got.value() < kFileHeaderBytes + headerBytes) {
        return std::nullopt;
    }
    BmpRows rows;
    rows.descriptor = descriptor;
    const auto width = static_cast<std::int32_t>(Le32(head, 18));
    const auto height = static_cast<std::int32_t>(Le32(head, 22));
    rows.bits = Le16(head, 28);
    const std::uint32_t compression = Le32(head, 30);
    const std::uint32_t colours = Le32(head, 46);
    if (width <= 0 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide) {
        return std::nullopt;
    }
    rows.width = width;
    rows.height = height < 0 ? -height : height;
    rows.bottomUp = height > 0;
    rows.pixelsAt = Le32(head, 10);
    rows.stride = (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(rows.bits) + 31) / 32 * 4;
    const bool paletted = rows.bits == 1 || rows.bits == 4 || rows.bits == 8;
    if (compression == kUncompressed && (paletted || rows.bits == 24 || rows.bits == 32)) {
        rows.alpha = false;  // the fourth byte of an uncompressed 32-bit pixel is unused
    } else if (compression == kBitFields && rows.bits == 32 &&
               got.value() >= kFileHeaderBytes + 52 && Le32(head, 54) == 0x00FF0000 &&
               Le32(head, 58) == 0x0000FF00 && Le32(head, 62) == 0x000000FF) {
        rows.alpha = headerBytes >= 56 && Le32(head, 66) == 0xFF000000;
    } else {
        return std::nullopt;
    }
    if (paletted) {
        const std::uint32_t entries = colours == 0 || colours > (1u << rows.bits) ? 1u << rows.bits : colours;
        std::vector<std::uint8_t> table(4 * std::size_t{entries});
        const auto read = ReadAtOffset(descriptor, kFileHeaderBytes + headerBytes, table);
        if (!read || read.value() != table.size()) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < entries; ++i) {
            rows.palette[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i]};
        }
    }
    return rows;
}

}  // namespace

bool ReadsBmpRows(int descriptor) {
    return ReadLayout(descriptor).has_value();
}

std::optional<vips::VImage> OpenBmpRows(int descriptor) {
    auto layout = ReadLayout(descriptor);
    if (!layout) {
        return std::nullopt;
    }
    // Cut short: its last row is not all there.
    std::array<std::uint8_t, 1> last{};
    const auto end = ReadAtOffset(descriptor, layout->pixelsAt + layout->stride * static_cast<std::uint64_t>(layout->height) - 1, last);
    if (!end || end.value() != 1) {
        throw vips::VError("bmpload: the picture is cut short");
    }
    VipsImage* image = vips_image_new();
    vips_image_init_fields(image, layout->width, layout->height, layout->Bands(), VIPS_FORMAT_UCHAR,
                           VIPS_CODING_NONE, VIPS_INTERPRETATION_sRGB, 1.0, 1.0);
    if (vips_image_pipelinev(image, VIPS_DEMAND_STYLE_THINSTRIP, nullptr) != 0) {
        g_object_unref(image);
        throw vips::VError();
    }
    // The rows' layout lives as long as the image, which frees it.
    auto rows = std::make_unique<BmpRows>(*layout);
    BmpRows* client = rows.get();
    g_object_set_data_full(G_OBJECT(image), "rotopal-bmp-rows", rows.release(),
                           [](gpointer data) { std::unique_ptr<BmpRows>(static_cast<BmpRows*>(data)); });
    if (vips_image_generate(image, nullptr, GenerateRows, nullptr, client, nullptr) != 0) {
        g_object_unref(image);
        throw vips::VError();
    }
    return vips::VImage(image);
}

}  // namespace rotopal
