#include "cli/file_roles.h"

#include <cerrno>

#include "document/file_io.h"
#include "document/logo_reader.h"
#include "import/picture_format.h"

namespace rotopal::cli {
namespace {

// The path as a shell takes it back: quoted where it holds anything but plain characters, and
// with ./ before a relative name that would read as an option.
std::string ShellWord(const std::string& path) {
    const bool plain = !path.empty() && path.find_first_not_of(
                                            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                            "0123456789_./+:@%,=-") == std::string::npos;
    const std::string word = !path.empty() && path.front() == '-' ? "./" + path : path;
    if (plain) {
        return word;
    }
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace

FileRole RoleOf(const std::string& path) {
    const auto head = ReadFilePrefix(path, kPictureSignatureBytes);
    if (!head) {
        if (head.error().kind == FileReadError::Kind::NotRegularFile) {
            return FileRole::NotRegular;
        }
        const bool absent =
            head.error().kind == FileReadError::Kind::System && head.error().systemError == ENOENT;
        return absent ? FileRole::Absent : FileRole::Other;
    }
    if (head.value().span().empty()) {
        return FileRole::Empty;
    }
    if (ReadLogoFile(path, [](int) { return false; })) {
        return FileRole::Screen;
    }
    return SniffPictureFormat(head.value().span()) != PictureFormat::Unknown ? FileRole::Picture
                                                                             : FileRole::Other;
}

std::string ReplacementRefusal(const std::string& path, const std::string& usage) {
    switch (RoleOf(path)) {
        case FileRole::Absent:
        case FileRole::Empty:
        case FileRole::Screen:
        case FileRole::NotRegular: return "";
        case FileRole::Picture:
            return path +
                   " is a picture, not a screen file, so it is left as it was: the "
                   "arguments look swapped. The order is " +
                   usage + "; give --force to replace it all the same.";
        case FileRole::Other: break;
    }
    return path + " exists and is not a screen file, so it is left as it was. The order is " +
           usage + "; give --force to replace it all the same.";
}

std::string ImportHint(const std::string& path) {
    if (RoleOf(path) != FileRole::Picture) {
        return "";
    }
    return "It is a picture: rotopal-cli import " + ShellWord(path) + " OUT makes a screen of it.";
}

}  // namespace rotopal::cli
