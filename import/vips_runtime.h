#pragma once

#include <string>
#include <vector>

#include "import/picture_format.h"

namespace rotopal {

// libvips as the import uses it: started once per process, without a cache (every import is a
// one-off), and without the optional loader modules it would otherwise load at start, most of
// which read nothing the import takes. The one a kind of picture needs is loaded when the first
// such picture comes. False when libvips cannot be started.
bool StartVips();
void LoadDecoderModuleFor(PictureFormat format);

// What libvips warns about while it is alive (a frame with invalid data, a stream it pads),
// in its own words, once each: the decoders' warnings reach the import's result this way
// instead of stderr. One capture at a time; the import runs one picture at a time.
class DecoderWarnings {
public:
    DecoderWarnings();
    ~DecoderWarnings();
    DecoderWarnings(const DecoderWarnings&) = delete;
    DecoderWarnings& operator=(const DecoderWarnings&) = delete;

    std::vector<std::string> Take();

private:
    std::vector<std::string> warnings_;
};

}  // namespace rotopal
