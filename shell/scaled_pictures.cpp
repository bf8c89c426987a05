#include "scaled_pictures.h"

#include <cstring>
#include <vector>

namespace {

// The resource type of the larger renderings in the resource script.
constexpr wchar_t RENDERING_TYPE[] = L"PNG";

}  // namespace

UniqueBitmap ScaledPictures::Load(int bitmapId, UINT dpi) {
    const ats::Picture picture = ats::PictureAtDpi(bitmapId, static_cast<int>(dpi), [&](int scale) {
        return scale == 1 ? ReadBitmap(bitmapId) : DecodeRendering(bitmapId, scale);
    });
    return MakeBitmap(picture.pixels);
}

IWICImagingFactory* ScaledPictures::Factory() {
    if (m_factory) return m_factory.Get();
    // The dialog's thread: a single-threaded apartment, as WIC expects of a UI thread.
    if (!m_com) m_com.emplace(COINIT_APARTMENTTHREADED);
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     m_factory.OutVoid());
    return m_factory.Get();
}

std::optional<ats::Pixels> ScaledPictures::DecodeRendering(int bitmapId, int scale) {
    const HRSRC found = FindResourceW(m_module, MAKEINTRESOURCEW(ats::RenderingId(bitmapId, scale)),
                                      RENDERING_TYPE);
    if (found == nullptr) return std::nullopt;
    const auto* bytes = static_cast<BYTE*>(LockResource(LoadResource(m_module, found)));
    const DWORD length = SizeofResource(m_module, found);
    IWICImagingFactory* factory = Factory();
    if (bytes == nullptr || length == 0 || factory == nullptr) return std::nullopt;

    ScopedComPtr<IWICStream> stream;
    ScopedComPtr<IWICBitmapDecoder> decoder;
    ScopedComPtr<IWICBitmapFrameDecode> frame;
    ScopedComPtr<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    if (FAILED(factory->CreateStream(stream.Out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), length)) ||
        FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.Out())) ||
        FAILED(decoder->GetFrame(0, frame.Out())) ||
        FAILED(factory->CreateFormatConverter(converter.Out())) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > 4096 ||
        height > 4096)
        return std::nullopt;
    ats::Pixels pixels{static_cast<int>(width), static_cast<int>(height),
                       std::vector<std::uint32_t>(size_t{width} * height)};
    if (FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                     reinterpret_cast<BYTE*>(pixels.rgb.data()))))
        return std::nullopt;
    for (std::uint32_t& p : pixels.rgb) p &= 0x00FFFFFF;  // BGRX in memory is 0x00RRGGBB
    return pixels;
}

std::optional<ats::Pixels> ScaledPictures::ReadBitmap(int bitmapId) const {
    UniqueBitmap bitmap(LoadBitmapW(m_module, MAKEINTRESOURCEW(bitmapId)));
    BITMAP info{};
    if (!bitmap || GetObjectW(bitmap.Get(), sizeof info, &info) == 0) return std::nullopt;
    ats::Pixels pixels{info.bmWidth, info.bmHeight,
                       std::vector<std::uint32_t>(size_t(info.bmWidth) * info.bmHeight)};
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -info.bmHeight;  // rows from the top
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    const ScopedGetDc screen(nullptr);
    const int rows = GetDIBits(screen.Get(), bitmap.Get(), 0, static_cast<UINT>(info.bmHeight),
                               pixels.rgb.data(), &format, DIB_RGB_COLORS);
    if (rows != info.bmHeight) return std::nullopt;
    for (std::uint32_t& p : pixels.rgb) p &= 0x00FFFFFF;
    return pixels;
}

UniqueBitmap MakeBitmap(const ats::Pixels& pixels) {
    if (pixels.width <= 0 || pixels.height <= 0) return UniqueBitmap();
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = pixels.width;
    format.bmiHeader.biHeight = -pixels.height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) return UniqueBitmap();
    const size_t stride = (static_cast<size_t>(pixels.width) * 3 + 3) & ~size_t{3};
    for (int y = 0; y < pixels.height; ++y) {
        BYTE* row = static_cast<BYTE*>(bits) + stride * static_cast<size_t>(y);
        for (int x = 0; x < pixels.width; ++x) {
            const std::uint32_t p = pixels.rgb[static_cast<size_t>(y) * pixels.width + x];
            row[3 * x] = static_cast<BYTE>(p);            // blue
            row[3 * x + 1] = static_cast<BYTE>(p >> 8);   // green
            row[3 * x + 2] = static_cast<BYTE>(p >> 16);  // red
        }
    }
    GdiFlush();
    return bitmap;
}
