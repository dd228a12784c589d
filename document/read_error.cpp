#include "document/read_error.h"

#include <string>

#include "document/file_io.h"

namespace rotopal {

Rejection RejectionOf(ReadErrorKind kind) {
    switch (kind) {
        case ReadErrorKind::NotEightBit: return Rejection::NotEightBit;
        case ReadErrorKind::WrongSize: return Rejection::WrongSize;
        case ReadErrorKind::CannotOpen:
        case ReadErrorKind::NotRegularFile:
        case ReadErrorKind::NotBmpSignature:
        case ReadErrorKind::TruncatedHeaders:
        case ReadErrorKind::UnsupportedCompression:
        case ReadErrorKind::TooManyColours: break;
    }
    return Rejection::NotBitmap;
}

std::string DescribeReadError(const ReadError& error) {
    using std::to_string;
    switch (error.kind) {
        case ReadErrorKind::CannotOpen:
            return "cannot be opened: " + SystemReason(error.systemError);
        case ReadErrorKind::NotRegularFile: return "is a folder or device, not a file";
        case ReadErrorKind::NotBmpSignature:
            return "is not a bitmap (it does not start with \"BM\")";
        case ReadErrorKind::TruncatedHeaders:
            return "is damaged: it ends inside its bitmap headers";
        case ReadErrorKind::NotEightBit:
            return "is not an 8-bit bitmap (it has " + to_string(error.value) +
                   " bits per pixel); choose an 8-bit bitmap";
        case ReadErrorKind::WrongSize:
            return "is " + to_string(error.width) + " x " + to_string(error.height) +
                   " pixels; it must be 320 x 400 (bottom-up)";
        case ReadErrorKind::UnsupportedCompression:
            return "uses compression " + to_string(error.value) +
                   "; only uncompressed and RLE8 bitmaps can be read";
        case ReadErrorKind::TooManyColours:
            return "is damaged: it claims " + to_string(error.value) +
                   " colours, more than an 8-bit bitmap can hold";
    }
    return "cannot be read";
}

}  // namespace rotopal
