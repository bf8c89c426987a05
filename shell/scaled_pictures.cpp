#include "scaled_pictures.h"

#include <cstring>
#include <vector>

namespace {

// The resource type of the larger renderings in the resource script.
constexpr wchar_t kRenderingType[] = L"PNG";

// Releases a COM interface when it goes out of scope.
template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (m_p != nullptr) m_p->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    Interface** Out() { return &m_p; }
    Interface* operator->() const { return m_p; }
    Interface* Get() const { return m_p; }

private:
    Interface* m_p = nullptr;
};

}  // namespace

ScaledPictures::~ScaledPictures() {
    if (m_factory != nullptr) m_factory->Release();
    if (m_comStarted) CoUninitialize();
}

UniqueBitmap ScaledPictures::Load(int bitmapId, UINT dpi) {
    const ats::PictureSize base = ats::BitmapSize(bitmapId);
    const int scale = ats::ChooseRenderingScale(static_cast<int>(dpi));
    if (dpi == ats::BASE_DPI || base.width == 0) {
        return UniqueBitmap(LoadBitmapW(m_module, MAKEINTRESOURCEW(bitmapId)));
    }
    // A rendering that cannot be read leaves the bitmap to be scaled: softer, but shown.
    std::optional<ats::Pixels> source;
    if (scale > 1) source = DecodeRendering(bitmapId, scale);
    if (!source) source = ReadBitmap(bitmapId);
    if (!source) return UniqueBitmap();
    const ats::PictureSize size = ats::ScaleToDpi(base, static_cast<int>(dpi));
    return MakeBitmap(ats::Resample(*source, size.width, size.height));
}

IWICImagingFactory* ScaledPictures::Factory() {
    if (m_factory != nullptr) return m_factory;
    // The dialog's thread: a single-threaded apartment, as WIC expects of a UI thread.
    const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(started)) m_comStarted = true;  // S_FALSE too: each success is undone once
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(&m_factory));
    return m_factory;
}

std::optional<ats::Pixels> ScaledPictures::DecodeRendering(int bitmapId, int scale) {
    const HRSRC found = FindResourceW(m_module, MAKEINTRESOURCEW(ats::RenderingId(bitmapId, scale)),
                                      kRenderingType);
    if (found == nullptr) return std::nullopt;
    const auto* bytes = static_cast<BYTE*>(LockResource(LoadResource(m_module, found)));
    const DWORD length = SizeofResource(m_module, found);
    IWICImagingFactory* factory = Factory();
    if (bytes == nullptr || length == 0 || factory == nullptr) return std::nullopt;

    ComRef<IWICStream> stream;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICFormatConverter> converter;
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
    const HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap.Get(), 0, static_cast<UINT>(info.bmHeight),
                               pixels.rgb.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
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
