#include "screen_pixels.h"

#include <optional>

#include "answers.h"
#include "repl.h"
#include "scopes.h"

namespace e2e {
namespace {

// A top-down 32-bit DIB section with a memory DC that has it selected.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap_ || !bits) Fail("cannot make a DIB section");
        bits_ = static_cast<const DWORD*>(bits);
        select_.emplace(dc_.Get(), bitmap_.Get());
    }
    HDC dc() const { return dc_.Get(); }
    DWORD Pixel(int x, int y) const {
        GdiFlush();
        return bits_[static_cast<size_t>(y) * width_ + x] & 0x00FFFFFF;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_, height_;
    UniqueMemoryDc dc_{CreateCompatibleDC(nullptr)};
    UniqueGdiObject bitmap_;
    const DWORD* bits_ = nullptr;
    std::optional<ScopedSelectObject> select_;
};

// Fills the canvas with what the screen shows from the top left corner of `area`.
void CopyScreen(const Canvas& canvas, const RECT& area) {
    const ScopedGetDc screenDc(nullptr);
    BitBlt(canvas.dc(), 0, 0, canvas.width(), canvas.height(), screenDc.Get(), area.left, area.top,
           SRCCOPY);
}

}  // namespace

RECT ClientOnScreen(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    MapWindowPoints(control, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    if (client.right <= client.left || client.bottom <= client.top) Fail("control has no area");
    return client;
}

Match BestMatch(HWND control, const std::vector<std::pair<int, UniqueGdiObject>>& candidates) {
    const RECT client = ClientOnScreen(control);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    const Canvas screen(width, height);
    CopyScreen(screen, client);
    Match best;
    for (const auto& [id, picture] : candidates) {
        BITMAP info{};
        GetObjectW(picture.Get(), sizeof(info), &info);
        const int w = info.bmWidth < width ? info.bmWidth : width;
        const int h = info.bmHeight < height ? info.bmHeight : height;
        Canvas drawn(width, height);
        {
            const UniqueMemoryDc source(CreateCompatibleDC(nullptr));
            const ScopedSelectObject select(source.Get(), picture.Get());
            BitBlt(drawn.dc(), 0, 0, w, h, source.Get(), 0, 0, SRCCOPY);
        }
        long long equal = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (drawn.Pixel(x, y) == screen.Pixel(x, y)) ++equal;
        // Pixels outside the overlap of bitmap and control count as different.
        const long long total =
            static_cast<long long>(info.bmWidth > width ? info.bmWidth : width) *
            (info.bmHeight > height ? info.bmHeight : height);
        const double fraction = static_cast<double>(equal) / static_cast<double>(total);
        if (fraction > best.fraction) best = {id, fraction};
    }
    return best;
}

void SaveScreenBmp(const RECT& area, const std::wstring& path) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const Canvas screen(width, height);
    CopyScreen(screen, area);

    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> bits(static_cast<size_t>(stride) * height);
    for (int y = 0; y < height; ++y) {
        BYTE* row = &bits[static_cast<size_t>(stride) * (height - 1 - y)];  // bottom-up
        for (int x = 0; x < width; ++x) {
            const DWORD p = screen.Pixel(x, y);
            row[3 * x] = static_cast<BYTE>(p);
            row[3 * x + 1] = static_cast<BYTE>(p >> 8);
            row[3 * x + 2] = static_cast<BYTE>(p >> 16);
        }
    }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(bits.size());
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    UniqueKernelHandle out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (out.Get() == INVALID_HANDLE_VALUE) Fail("cannot write " + Narrow(path));
    DWORD written = 0;
    if (!WriteFile(out.Get(), &file, sizeof(file), &written, nullptr) ||
        !WriteFile(out.Get(), &info, sizeof(info), &written, nullptr) ||
        !WriteFile(out.Get(), bits.data(), info.biSizeImage, &written, nullptr))
        Fail("cannot write " + Narrow(path));
}

}  // namespace e2e
