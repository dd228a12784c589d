#pragma once

#include <string>

namespace rotopal::cli {

// What a file named on the command line holds, as far as telling a screen from a picture or a
// disk image goes: enough to notice arguments given in the wrong order before anything is
// written.
enum class FileRole {
    Absent,      // nothing has the name
    Empty,       // a regular file of no bytes, which nothing is lost by replacing
    Screen,      // an 8-bit 320 x 400 bitmap the reader takes
    Picture,     // a picture the import reads (a BMP that is no screen included)
    Other,       // any other regular file, or one that cannot be read
    NotRegular,  // a folder, a device or a pipe
};
FileRole RoleOf(const std::string& path);

// Why an output that exists may not be replaced without --force: empty when it may be, else a
// sentence naming the file and what to do, for `command` (import, extract) with its arguments
// in their order.
std::string ReplacementRefusal(const std::string& path, const std::string& usage);

// For a file the screen reader refused: a sentence pointing to the import when it is a picture,
// else nothing.
std::string ImportHint(const std::string& path);

}  // namespace rotopal::cli
