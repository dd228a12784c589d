#pragma once

#include <string>
#include <string_view>

#include "animation/export_error.h"
#include "core/logo_document.h"
#include "document/file_io.h"
#include "palette/animation_range.h"

namespace rotopal {

// The part of a path after its last "/" or "\", or the whole path when it has neither.
std::string_view FileNameOf(std::string_view path);

// Label2: file name, width, height, bits and colour count on five CR LF separated lines.
std::string InfoLabelText(std::string_view path, const LogoDocument& document);

// Label1: the animated count (negative when the range lies above lastIndex) and its words.
std::string AnimationCountText(RangeValue n, std::uint8_t lastIndex);

// The question for a file of C stored colours, C written first.
std::string ColourCountQuestion(int colours);

// The status window's counter: frame k of n as "k/n".
std::string FrameCounterText(int frame, int frameCount);

// Why a file could not be written (an errno value), in the user's language for the reasons
// users meet, in the system's own words for any other.
std::string FailureReasonText(int systemError);

// The whole message of a failed save: "Could not save.", the path of the file that failed, then
// what failed and why, a line each.
std::string SaveFailureText(const WriteError& error);
std::string SaveFailureText(const ExportError& error);

// Label4: "選択パレット", the index with "番", then Red=, Green=, Blue= lines.
std::string EntryLabelText(int index, const RGBQUAD& entry);

}  // namespace rotopal
