#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/logo_document.h"
#include "core/result.h"
#include "import/decode_protocol.h"
#include "import/import_error.h"
#include "import/import_options.h"
#include "import/picture_format.h"

namespace rotopal {

// A start-up screen made from a picture, with what the decoder said about damage it read past
// (a frame with invalid data, say): empty when the picture was sound.
struct ImportedScreen {
    LogoDocument document;
    std::vector<std::string> repairs;
};

// Told now and then, on the thread that waits for the decoder, how far it has got: 0 to 100.
using ImportProgress = std::function<void(int percent)>;

// What the decoder program may take. The kernel enforces the address space and the processor
// time on the program itself; the wall-clock times are ours.
struct DecoderLimits {
    std::uint64_t addressSpaceBytes = 0;  // 0: no allowance (sanitizer builds map terabytes)
    std::uint64_t cpuSeconds = 300;
    std::chrono::seconds start{30};
    std::chrono::seconds decode{120};
    std::chrono::seconds make{60};
};
// The smaller of 1 GiB and half the machine's memory, or what ROTOPAL_DECODER_MEMORY_MIB says.
DecoderLimits DefaultDecoderLimits();
// The allowance in MiB that ROTOPAL_DECODER_MEMORY_MIB asks for, or nothing; errorText says
// what is wrong with a value that is set but cannot be used.
std::optional<std::uint64_t> MemoryAllowanceFromEnvironment(std::string* errorText = nullptr);

// One picture in a decoder of its own: the program rotopal-decode, started as a child process,
// given the open picture (it opens no file itself) and sandboxed, spoken to over a socket. It
// decodes the picture once and then makes any number of screens from it, one request at a time.
// Whatever happens to it (a crash, its allowance spent, a hang) is an ImportError here, never
// this program's end. Kill stops it at once, from any thread; the next request is then refused.
class PictureDecoder {
public:
    static Result<std::shared_ptr<PictureDecoder>, ImportError> Start(
        const std::string& path, const DecoderLimits& limits = DefaultDecoderLimits());
    // The same for a picture in memory, which the decoder gets as a file of its own.
    static Result<std::shared_ptr<PictureDecoder>, ImportError> Start(
        std::span<const std::uint8_t> bytes, const DecoderLimits& limits = DefaultDecoderLimits());
    ~PictureDecoder();
    PictureDecoder(const PictureDecoder&) = delete;
    PictureDecoder& operator=(const PictureDecoder&) = delete;

    // The picture's upright size; what the decoder read past is kept for every screen.
    Result<DecodedBody, ImportError> Decode(const ImportProgress& progress = {});
    Result<ImportedScreen, ImportError> Make(const ImportOptions& options);
    void Kill();
    // Whether the decoder has ended, so that every later request will be refused.
    bool ended() const;

    // For tests: asks the decoder to end the way `how` says; gives the error that ending became.
    ImportError Misbehave(const MisbehaveBody& how);

    struct Channel;
    explicit PictureDecoder(std::unique_ptr<Channel> channel);

private:
    std::unique_ptr<Channel> channel_;
};
using DecodedPictureHandle = std::shared_ptr<PictureDecoder>;

// Turns a picture of any supported kind and size into a start-up screen, in a decoder of its
// own: fitted to the screen, reduced to 256 - range colours in entries 0 to 255 - range, the
// band (if any) in the top range entries, biClrImportant set to 256 - range. The screen stores
// all 256 entries, uncompressed, with a 40-byte header.
Result<ImportedScreen, ImportError> ImportPictureFile(const std::string& path,
                                                      const ImportOptions& options,
                                                      const ImportProgress& progress = {},
                                                      const DecoderLimits& limits =
                                                          DefaultDecoderLimits());
Result<ImportedScreen, ImportError> ImportPicture(std::span<const std::uint8_t> bytes,
                                                  const ImportOptions& options,
                                                  const ImportProgress& progress = {});

// The kind of picture the file starts as, Unknown for none the import reads (its first bytes
// only).
PictureFormat PictureFileFormat(const std::string& path);
inline bool IsPictureFile(const std::string& path) {
    return PictureFileFormat(path) != PictureFormat::Unknown;
}

}  // namespace rotopal
