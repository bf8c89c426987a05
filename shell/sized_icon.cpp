#include "sized_icon.h"

#include "dialog.h"
#include "resource.h"

// Where the group has no image of that size, the common controls scale a larger one down
// (LoadIconWithScaleDown, looked up at run time as the import libraries lack it); without them
// the system picks and scales one.
UniqueIcon LoadSizedIcon(int size) {
    using LoadIconWithScaleDownFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    static const auto loadIconWithScaleDown = [] {
        const HMODULE controls = GetModuleHandleW(L"comctl32.dll");
        return controls == nullptr
                   ? nullptr
                   : reinterpret_cast<LoadIconWithScaleDownFunction>(reinterpret_cast<void*>(
                         GetProcAddress(controls, "LoadIconWithScaleDown")));
    }();
    const HINSTANCE module = wnd::AfxGetApp()->m_hInstance;
    HICON icon = nullptr;
    if (loadIconWithScaleDown != nullptr &&
        SUCCEEDED(
            loadIconWithScaleDown(module, MAKEINTRESOURCEW(IDI_ORVANEATS), size, size, &icon)))
        return UniqueIcon(icon);
    return UniqueIcon(static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(IDI_ORVANEATS), IMAGE_ICON, size, size, 0)));
}
