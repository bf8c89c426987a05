#include "picture_scale.h"

#include <algorithm>
#include <cmath>

#include "alarm_ids.h"

namespace ats {

namespace {

constexpr PictureSize PANEL_SIZE{PANEL_WIDTH, PANEL_HEIGHT};
constexpr PictureSize SIGNAL_SIZE{SIGNAL_WIDTH, SIGNAL_HEIGHT};

// One source pixel's share in one new pixel along one axis.
struct Tap {
    int index;
    double weight;
};

// For each new pixel along an axis of sourceLength pixels brought to length, the source
// pixels it is made of, with weights that add up to 1.
std::vector<std::vector<Tap>> AxisTaps(int sourceLength, int length) {
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(length));
    const double step = static_cast<double>(sourceLength) / length;
    for (int i = 0; i < length; ++i) {
        auto& out = taps[static_cast<size_t>(i)];
        if (step >= 1.0) {
            // The new pixel covers [start, end) of the source: weigh each pixel by its overlap.
            const double start = i * step;
            const double end = start + step;
            for (int s = static_cast<int>(std::floor(start)); s < end && s < sourceLength; ++s) {
                const double overlap = std::min(end, s + 1.0) - std::max(start, double(s));
                if (overlap > 1e-9) out.push_back({s, overlap / step});
            }
        } else {
            // Between the two source pixels whose centres lie either side of the new centre.
            const double centre = (i + 0.5) * step - 0.5;
            const double clamped = std::clamp(centre, 0.0, sourceLength - 1.0);
            const int left = std::min(static_cast<int>(std::floor(clamped)), sourceLength - 1);
            const double t = clamped - left;
            out.push_back({left, 1.0 - t});
            if (t > 0.0) out.push_back({left + 1, t});
        }
    }
    return taps;
}

double Channel(std::uint32_t rgb, int shift) { return static_cast<double>((rgb >> shift) & 0xFF); }

}  // namespace

PictureSize BitmapSize(int bitmapId) {
    if (bitmapId >= IDB_PANEL_NORMAL && bitmapId <= IDB_PANEL_ALARM) return PANEL_SIZE;
    if (bitmapId >= IDB_SIGNAL_STOP && bitmapId <= IDB_SIGNAL_PROCEED) return SIGNAL_SIZE;
    return {};
}

int ScaleToDpi(int pixels, int dpi) {
    if (pixels <= 0 || dpi <= 0) return 0;
    const long long scaled = (static_cast<long long>(pixels) * dpi + BASE_DPI / 2) / BASE_DPI;
    return scaled < 1 ? 1 : static_cast<int>(scaled);
}

PictureSize ScaleToDpi(PictureSize size, int dpi) {
    return {ScaleToDpi(size.width, dpi), ScaleToDpi(size.height, dpi)};
}

int ChooseRenderingScale(int dpi) {
    if (dpi <= BASE_DPI) return 1;
    for (int scale : LARGER_SCALES)
        if (scale * BASE_DPI >= dpi) return scale;
    return std::end(LARGER_SCALES)[-1];
}

int RenderingId(int bitmapId, int scale) { return scale * 1000 + bitmapId; }

PicturePlan PlanPicture(int bitmapId, int dpi) {
    const PictureSize base = BitmapSize(bitmapId);
    if (dpi <= 0 || dpi == BASE_DPI || base.width == 0) return {};
    return {false, ChooseRenderingScale(dpi), ScaleToDpi(base, dpi)};
}

Pixels Resample(const Pixels& source, int width, int height) {
    Pixels out{width, height, {}};
    if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0 ||
        source.rgb.size() != static_cast<size_t>(source.width) * source.height) {
        out.width = out.height = 0;
        return out;
    }
    const auto columns = AxisTaps(source.width, width);
    const auto rows = AxisTaps(source.height, height);
    // Across first, into three float channels per pixel, then down.
    std::vector<double> across(static_cast<size_t>(width) * source.height * 3);
    for (int y = 0; y < source.height; ++y) {
        const std::uint32_t* line = &source.rgb[static_cast<size_t>(y) * source.width];
        for (int x = 0; x < width; ++x) {
            double* sum = &across[(static_cast<size_t>(y) * width + x) * 3];
            for (const Tap& tap : columns[static_cast<size_t>(x)]) {
                const std::uint32_t p = line[tap.index];
                sum[0] += tap.weight * Channel(p, 16);
                sum[1] += tap.weight * Channel(p, 8);
                sum[2] += tap.weight * Channel(p, 0);
            }
        }
    }
    out.rgb.resize(static_cast<size_t>(width) * height);
    const auto toByte = [](double v) {
        return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L));
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double r = 0, g = 0, b = 0;
            for (const Tap& tap : rows[static_cast<size_t>(y)]) {
                const double* p = &across[(static_cast<size_t>(tap.index) * width + x) * 3];
                r += tap.weight * p[0];
                g += tap.weight * p[1];
                b += tap.weight * p[2];
            }
            out.rgb[static_cast<size_t>(y) * width + x] =
                toByte(r) << 16 | toByte(g) << 8 | toByte(b);
        }
    }
    return out;
}

Picture PictureAtDpi(int bitmapId, int dpi, const ReadRendering& read) {
    const PicturePlan plan = PlanPicture(bitmapId, dpi);
    Picture picture;
    std::optional<Pixels> source;
    if (!plan.asIs && plan.renderingScale > 1) {
        source = read(plan.renderingScale);
        if (source) picture.renderingScale = plan.renderingScale;
    }
    if (!source) {
        source = read(1);
        if (!source) return picture;
        picture.renderingScale = 1;
    }
    const PictureSize sourceSize{source->width, source->height};
    if (plan.asIs || sourceSize == plan.size) {
        picture.size = sourceSize;
        picture.stored = true;
        picture.pixels = std::move(*source);
        return picture;
    }
    picture.size = plan.size;
    picture.pixels = Resample(*source, plan.size.width, plan.size.height);
    if (picture.pixels.rgb.empty()) picture.renderingScale = 0;
    return picture;
}

}  // namespace ats
