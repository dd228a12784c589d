#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <utility>

#include "document/file_io.h"

namespace rotopal {

// Which part of an animated GIF giflib could not encode.
enum class GifStage {
    Open,     // EGifOpen, the screen descriptor and the loop count
    Frame,    // one frame: its control block, descriptor, colour table or pixels
    Trailer,  // EGifCloseFile, which puts down the trailer
};
inline constexpr std::size_t kGifStages = 3;

// giflib's own account of a failure.
struct GifEncodeError {
    GifStage stage = GifStage::Open;
    int code = 0;         // giflib's error code (E_GIF_ERR_...)
    std::string message;  // giflib's words for it (GifErrorString)

    friend bool operator==(const GifEncodeError&, const GifEncodeError&) = default;
};

struct ExportError {
    enum class Kind {
        InvalidSpan,   // the span is negative or reaches below index 0; nothing was written
        WriteFailed,   // a file could not be written (see `write`); the export stopped there
        EncodeFailed,  // giflib could not encode the GIF (see `encoder`); nothing was written
        InvalidOptions,  // the GIF's options cannot be stored (see `detail`); nothing was written
    };
    Kind kind = Kind::WriteFailed;
    std::string path;  // the name the export was given: the series' prefix or the GIF's path
    int frame = 0;     // 1-based number of the frame that failed, 0 when no frame did
    WriteError write;
    GifEncodeError encoder;
    std::string detail{};

    friend bool operator==(const ExportError&, const ExportError&) = default;
};

inline ExportError InvalidSpanError(std::string path) {
    ExportError error;
    error.kind = ExportError::Kind::InvalidSpan;
    error.path = std::move(path);
    return error;
}

inline ExportError InvalidOptionsError(std::string detail) {
    ExportError error;
    error.kind = ExportError::Kind::InvalidOptions;
    error.detail = std::move(detail);
    return error;
}

inline ExportError WriteFailedError(std::string path, int frame, WriteError write) {
    ExportError error;
    error.kind = ExportError::Kind::WriteFailed;
    error.path = std::move(path);
    error.frame = frame;
    error.write = std::move(write);
    return error;
}

inline ExportError EncodeFailedError(int frame, GifEncodeError encoder) {
    ExportError error;
    error.kind = ExportError::Kind::EncodeFailed;
    error.frame = frame;
    error.encoder = std::move(encoder);
    return error;
}

// The words a failed export is told in; the defaults are the command line's English.
struct ExportWording {
    WriteWording write;
    // A file of the numbered series that could not be written: {frame} and the write's {message}.
    std::string frameLayout = "frame {frame}: {message}";
    // {path}; nothing was written.
    std::string invalidSpanLayout =
        "cannot write {path}: the animated range reaches outside the stored colours, so nothing "
        "was written";
    // {path}, the {stage}, and giflib's {code} and {message}.
    std::string encoderLayout = "cannot write {path} ({stage}): giflib error {code}, {message}";
    // By GifStage; {frame} is the frame's number.
    std::array<std::string, kGifStages> stages = {
        "starting the GIF stream", "encoding frame {frame}", "ending the GIF stream"};
    // {path} and what is wrong with the options, {detail}; nothing was written.
    std::string invalidOptionsLayout = "cannot write {path}: {detail}, so nothing was written";
};

// The failed export as a message, naming the failing step.
std::string DescribeExportError(const ExportError& error, const ExportWording& wording = {});

}  // namespace rotopal
