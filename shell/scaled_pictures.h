// The eight pictures at any display scale, as the core's PictureAtDpi makes them from the
// bitmaps and the larger renderings stored in the exe (PNG, decoded by the Windows Imaging
// Component).
#ifndef ORVANE_SHELL_SCALED_PICTURES_H
#define ORVANE_SHELL_SCALED_PICTURES_H

#include <windows.h>
// clang-format off
#include <wincodec.h>
// clang-format on

#include <optional>

#include "handles.h"
#include "picture_scale.h"
#include "scopes.h"

class ScaledPictures {
public:
    explicit ScaledPictures(HINSTANCE module) : m_module(module) {}
    ScaledPictures(const ScaledPictures&) = delete;
    ScaledPictures& operator=(const ScaledPictures&) = delete;

    // Bitmap bitmapId as it is shown at dpi; empty if it cannot be had.
    UniqueBitmap Load(int bitmapId, UINT dpi);

private:
    std::optional<ats::Pixels> DecodeRendering(int bitmapId, int scale);
    std::optional<ats::Pixels> ReadBitmap(int bitmapId) const;
    IWICImagingFactory* Factory();

    HINSTANCE m_module;
    std::optional<ScopedCom> m_com;  // started with the first decoding; outlives the factory
    ScopedComPtr<IWICImagingFactory> m_factory;
};

// A 24 bpp bitmap with these pixels: no alpha channel, so a picture control shows it as it
// is, without making a copy of its own.
UniqueBitmap MakeBitmap(const ats::Pixels& pixels);

#endif
