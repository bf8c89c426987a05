#include "dialog_template.h"

#include <cstring>
#include <vector>

#include "answers.h"
#include "window_query.h"

namespace e2e {
namespace {

class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    template <typename T>
    T Read() {
        if (pos_ + sizeof(T) > size_) Fail("truncated dialog template");
        T value;
        memcpy(&value, data_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }
    // sz_Or_Ord: 0, 0xFFFF + ordinal, or a NUL-terminated string.
    void SkipNameOrOrdinal() {
        const WORD first = Read<WORD>();
        if (first == 0xFFFF)
            Read<WORD>();
        else if (first != 0)
            SkipString();
    }
    void SkipString() {
        while (Read<WORD>() != 0) {
        }
    }
    size_t pos() const { return pos_; }

private:
    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Rebuilds the template with no menu, class, title or controls and without WS_VISIBLE/WS_CHILD:
// what is left (style and font) is all that decides the dialog base units.
std::vector<WORD> HiddenEmptyTemplate(const BYTE* data, size_t size) {
    TemplateReader in(data, size);
    const bool extended = size >= 4 && reinterpret_cast<const WORD*>(data)[1] == 0xFFFF;
    DWORD style, exStyle, helpId = 0;
    WORD version = 1;
    if (extended) {
        version = in.Read<WORD>();
        in.Read<WORD>();
        helpId = in.Read<DWORD>();
        exStyle = in.Read<DWORD>();
        style = in.Read<DWORD>();
    } else {
        style = in.Read<DWORD>();
        exStyle = in.Read<DWORD>();
    }
    in.Read<WORD>();  // item count
    short box[4];
    for (short& v : box) v = in.Read<short>();
    in.SkipNameOrOrdinal();  // menu
    in.SkipNameOrOrdinal();  // class
    in.SkipString();         // title
    const size_t fontStart = in.pos();
    if (style & DS_SETFONT) {
        in.Read<WORD>();  // point size
        if (extended) {
            in.Read<WORD>();  // weight
            in.Read<WORD>();  // italic, charset
        }
        in.SkipString();
    }
    const size_t fontEnd = in.pos();

    style = (style & ~(WS_VISIBLE | WS_CHILD | DS_CONTROL)) | WS_POPUP;
    std::vector<WORD> out;
    auto put32 = [&out](DWORD v) {
        out.push_back(LOWORD(v));
        out.push_back(HIWORD(v));
    };
    if (extended) {
        out.push_back(version);
        out.push_back(0xFFFF);
        put32(helpId);
        put32(exStyle);
        put32(style);
    } else {
        put32(style);
        put32(exStyle);
    }
    out.push_back(0);  // no items
    for (short v : box) out.push_back(static_cast<WORD>(v));
    out.insert(out.end(), {0, 0, 0});  // no menu, default class, empty title
    const WORD* font = reinterpret_cast<const WORD*>(data + fontStart);
    out.insert(out.end(), font, font + (fontEnd - fontStart) / sizeof(WORD));
    return out;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace

RECT MapDialogUnits(const std::wstring& path, long long id, RECT box) {
    const UniqueModule module = LoadDatafile(path);
    const HRSRC resource =
        FindResourceW(module.Get(), MAKEINTRESOURCEW(static_cast<WORD>(id)), RT_DIALOG);
    if (!resource) Fail("no dialog template " + Dec(id));
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module.Get(), resource)));
    if (!data) Fail("cannot load dialog template");
    std::vector<WORD> hidden = HiddenEmptyTemplate(data, SizeofResource(module.Get(), resource));

    const HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                                   reinterpret_cast<LPCDLGTEMPLATEW>(hidden.data()),
                                                   nullptr, QuietDialogProc, 0);
    if (!dialog) Fail("cannot create the dialog: " + Dec(GetLastError()));
    const BOOL mapped = MapDialogRect(dialog, &box);
    DestroyWindow(dialog);
    if (!mapped) Fail("MapDialogRect failed");
    return box;
}

}  // namespace e2e
