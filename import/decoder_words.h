#pragma once

#include <span>
#include <string>
#include <string_view>

namespace rotopal {

// A decoder library's message about a picture in the user's terms: what is wrong with the
// picture ("the JPEG data ends early"), not which function of which library noticed it. A
// message of no known kind keeps its words without the library's prefixes ("VipsJpeg: ").
std::string InPlainWords(std::string_view decoderWords);

// Every phrase InPlainWords gives for damage it knows, each once: the window tells them in its
// own language.
std::span<const std::string_view> KnownDamagePhrases();

}  // namespace rotopal
