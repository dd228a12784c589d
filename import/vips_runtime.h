#pragma once

#include <optional>
#include <string>
#include <vector>

#include "import/picture_format.h"

namespace rotopal {

// libvips as the decoder program uses it: started once per process, without a cache (every
// picture is a one-off) and with one worker thread, so that a damaged picture is judged the same
// way whatever the machine's load and cores. Its optional loader modules are left out when
// VIPSHOME names a folder without them, as the program that starts the decoder arranges; the one
// a kind of picture needs is loaded by LoadDecoderModuleFor. False when libvips cannot start.
bool StartVips();
// Loads libvips's module for the kind when it needs one (BMP through ImageMagick, HEIF through
// libheif). Nothing when it is loaded or none is needed, else the loader's words for why not.
std::optional<std::string> LoadDecoderModuleFor(PictureFormat format);

// What libvips warns about while it is alive (a frame with invalid data, a stream it pads),
// in its own words, once each: the decoders' warnings reach the import's result this way
// instead of stderr. What it merely notes about a sound file (a frame count, an EXIF field it
// does not know) is left out. One capture at a time; the decoder runs one picture at a time.
class DecoderWarnings {
public:
    DecoderWarnings();
    ~DecoderWarnings();
    DecoderWarnings(const DecoderWarnings&) = delete;
    DecoderWarnings& operator=(const DecoderWarnings&) = delete;

    std::vector<std::string> Take();
    // Whether libvips warned that memory ran out: what it made then cannot be trusted (a row
    // it could not hold comes out black), so the work fails for want of memory.
    bool MemoryRanOut() const;

private:
    std::vector<std::string> warnings_;
    bool memoryRanOut_ = false;
};

}  // namespace rotopal
