#pragma once

namespace toolkit {

// Layout is given in twips (1/1440 inch); at 96 dpi that is 15 to a logical
// pixel. Qt's device pixel ratio takes it from logical to physical pixels.
inline constexpr int kTwipsPerPixel = 15;

constexpr int TwipsToPixels(int twips) { return twips / kTwipsPerPixel; }

struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct TwipsPoint {
  int x = 0;
  int y = 0;
};

}  // namespace toolkit
