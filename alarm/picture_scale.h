// The pictures at the display's scale: the size each picture takes at a DPI, which stored
// rendering to draw it from, and the resampling that brings a rendering to that size.
// Plain C++: the Windows program uses it and the unit tests check it on the build machine.
#ifndef ORVANE_ALARM_PICTURE_SCALE_H
#define ORVANE_ALARM_PICTURE_SCALE_H

#include <cstdint>
#include <vector>

namespace ats {

// The DPI at which the bitmaps are shown pixel for pixel.
inline constexpr int BASE_DPI = 96;
// Besides each bitmap the program holds renderings of the same picture at these multiples of
// its size, smallest first.
inline constexpr int LARGER_SCALES[] = {2, 3};

struct PictureSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// The size of bitmap 129 to 136 at 96 DPI; {0, 0} for any other id.
PictureSize BitmapSize(int bitmapId);

// round(pixels * dpi / 96), halves rounded up; never below 1 for a positive length.
int ScaleToDpi(int pixels, int dpi);
PictureSize ScaleToDpi(PictureSize size, int dpi);

// The rendering to draw a picture from at this DPI: 1 (the bitmap itself) up to 96 DPI,
// otherwise the smallest larger rendering that is at least as large as the picture needs,
// or the largest one when none is.
int ChooseRenderingScale(int dpi);

// The resource id of a picture's rendering at scale 2 or 3: scale * 1000 + bitmap id.
int RenderingId(int bitmapId, int scale);

// How a picture is made for a DPI.
struct PicturePlan {
    // The bitmap shown as it is, pixel for pixel: at 96 DPI, at an unknown DPI (0 or less)
    // and for an id with no known size.
    bool asIs = true;
    // Otherwise drawn from the rendering at this scale (1: the bitmap itself)...
    int renderingScale = 1;
    // ...brought to this size.
    PictureSize size;
    friend bool operator==(const PicturePlan&, const PicturePlan&) = default;
};
PicturePlan PlanPicture(int bitmapId, int dpi);

// An image as 0x00RRGGBB words, rows from the top.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;
};

// The image brought to width x height. Reducing averages the area each new pixel covers
// (the Fant method: every source pixel counts by the share of it that falls inside);
// enlarging interpolates linearly between the nearest pixels.
Pixels Resample(const Pixels& source, int width, int height);

}  // namespace ats

#endif
