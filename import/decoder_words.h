#pragma once

#include <span>
#include <string>
#include <string_view>

namespace rotopal {

// What an import says of an embedded colour profile it cannot use: the picture is read without
// it.
inline constexpr std::string_view kProfileUnreadable =
    "the colour profile cannot be read and is left out";

// A decoder library's message about a picture in the user's terms: what is wrong with the
// picture ("the JPEG data ends early"), not which function of which library noticed it. A
// message of no known kind keeps its words without the library's prefixes ("VipsJpeg: ").
std::string InPlainWords(std::string_view decoderWords);

// Whether a library's message says that memory ran out (libvips's own allocations, glib's
// threads).
bool SaysMemoryRanOut(std::string_view libraryWords);

// Whether the dynamic linker's words for a library it could not load say that the address space
// had no room to map it: a want of memory, not a missing library.
bool SaysNoRoomToLoad(std::string_view loaderWords);

// What a library's message about memory running out says could not be had ("no thread could
// be started"), or "" when it says nothing more than that memory ran out.
std::string MemoryInPlainWords(std::string_view libraryWords);

// Every phrase InPlainWords gives for damage it knows, each once: the window tells them in its
// own language.
std::span<const std::string_view> KnownDamagePhrases();

}  // namespace rotopal
