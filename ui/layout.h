#pragma once

// The windows' design in pixels at 96 dpi: client sizes and every control's rectangle, relative
// to the client area of its container. Picture boxes have a 2-pixel sunken border inside these
// rectangles, so their drawing area is 4 pixels smaller each way.

namespace rotopal::layout {

struct Rect {
    int x, y, width, height;
};

inline constexpr int kPictureBorder = 2;

// Main window.
inline constexpr int kMainWidth = 588;
inline constexpr int kMainHeight = 437;
inline constexpr Rect kPicture3{8, 8, 324, 404};    // view window, draws 320 x 400
inline constexpr Rect kPicture2{336, 8, 244, 244};  // palette window, draws 240 x 240
inline constexpr Rect kHScroll1{336, 256, 241, 17};
inline constexpr Rect kPicture1{336, 272, 169, 97};  // information panel
inline constexpr Rect kLabel2{0, 8, 97, 81};         // inside Picture1
inline constexpr Rect kLabel4{96, 8, 73, 73};        // inside Picture1
inline constexpr Rect kLabel1{0, 80, 161, 17};       // inside Picture1
inline constexpr Rect kCommand1{504, 280, 81, 25};
inline constexpr Rect kCommand2_0{504, 312, 81, 25};
inline constexpr Rect kCommand2_1{504, 336, 81, 25};
inline constexpr Rect kCommand4{504, 360, 81, 25};
inline constexpr Rect kCommand3{504, 392, 81, 25};
inline constexpr Rect kPicture4{0, 419, 588, 18};  // status line, along the bottom edge

// Fonts of the two information labels: 8.25 point, which is 11 pixels at 96 dpi.
inline constexpr int kLabelFontPixels = 11;

// Preview window: exactly the double-width image.
inline constexpr int kPreviewWidth = 640;
inline constexpr int kPreviewHeight = 400;

// Status window and its one label.
inline constexpr int kStatusWidth = 242;
inline constexpr int kStatusHeight = 14;
inline constexpr Rect kStatusLabel1{0, 0, 241, 12};

// The palette window's grid: 16 x 16 cells at a pitch of 15 pixels.
inline constexpr int kGridSize = 240;
inline constexpr int kCellPitch = 15;

// Timer periods.
inline constexpr int kBlinkMilliseconds = 500;
inline constexpr int kPreviewMilliseconds = 150;

}  // namespace rotopal::layout
