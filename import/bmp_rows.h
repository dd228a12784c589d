#pragma once

#include <vips/vips8>

#include <optional>

namespace rotopal {

// A BMP picture as libvips's image, read a few rows at a time straight from its open file, for
// the kinds photographs and screenshots come in: uncompressed, 1, 4, 8, 24 or 32 bits a pixel
// (32 with the usual masks, their alpha kept when a mask says there is one). Nothing for the
// other kinds (RLE, 16 bits, other masks, a JPEG or PNG inside), which ImageMagick reads whole.
// A file cut short inside its pixels is refused, as every loader here refuses one.
std::optional<vips::VImage> OpenBmpRows(int descriptor);
// Whether the BMP in the open file is of a kind OpenBmpRows reads, so that ImageMagick need not
// be loaded for it.
bool ReadsBmpRows(int descriptor);

}  // namespace rotopal
