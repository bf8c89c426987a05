// The pictures at the display's scale: the size each picture takes at a DPI, which stored
// rendering to draw it from, and the resampling that brings a rendering to that size.
// Plain C++: all three editions take their pictures from PictureAtDpi, and the unit tests
// check it on the build machine.
#ifndef ORVANE_ALARM_PICTURE_SCALE_H
#define ORVANE_ALARM_PICTURE_SCALE_H

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace ats {

// The DPI at which the bitmaps are shown pixel for pixel.
inline constexpr int BASE_DPI = 96;
// Besides each bitmap the program holds renderings of the same picture at these multiples of
// its size, smallest first.
inline constexpr int LARGER_SCALES[] = {2, 3};
// The two pictures' sizes at 96 DPI, in pixels (width, height).
inline constexpr int PANEL_WIDTH = 150;
inline constexpr int PANEL_HEIGHT = 100;
inline constexpr int SIGNAL_WIDTH = 32;
inline constexpr int SIGNAL_HEIGHT = 64;

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

// Reads a picture's stored rendering at a scale (1: the bitmap itself); nullopt when the
// edition does not hold it or it cannot be read.
using ReadRendering = std::function<std::optional<Pixels>(int scale)>;

// A picture as it is shown at a DPI.
struct Picture {
    // Its size on the display.
    PictureSize size;
    // The stored rendering it is drawn from (1: the bitmap itself); 0 when none was read.
    int renderingScale = 0;
    // True when the pixels are that rendering unchanged (it already has the size): an edition
    // may then show its stored file as it is.
    bool stored = false;
    Pixels pixels;
};

// The picture for bitmap bitmapId at dpi, by PlanPicture: the bitmap as it is at 96 DPI, an
// unknown DPI or for an id with no known size; otherwise the planned rendering (the bitmap
// itself when that cannot be read: softer, but shown) brought to the planned size. Empty
// pixels (and renderingScale 0) when nothing could be read.
Picture PictureAtDpi(int bitmapId, int dpi, const ReadRendering& read);

}  // namespace ats

#endif
