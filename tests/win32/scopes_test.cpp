// The scopes of win32/scopes.h on real device contexts, GDI objects and COM.
#include "scopes.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>

#include "handles.h"

namespace {

// A COM object that counts the references it is given and given back.
class CountedObject : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        ++releases;
        return --references;
    }

    ULONG references = 1;  // the one its maker hands out
    int releases = 0;
};

constexpr wchar_t kWindowClass[] = L"OrvaneWin32UnitTests";

HWND MakeWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);  // fails harmlessly when a case before registered it
    return CreateWindowExW(0, kWindowClass, L"scopes", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The COM state of the calling thread, found by asking for an apartment and giving it back.
enum class Apartment { None, SingleThreaded, MultiThreaded };

Apartment ApartmentOfThisThread() {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(result)) CoUninitialize();
    if (result == S_OK) return Apartment::None;
    if (result == S_FALSE) return Apartment::SingleThreaded;
    return Apartment::MultiThreaded;  // RPC_E_CHANGED_MODE
}

}  // namespace

TEST(ScopedGetDc, IsReleasedAtScopeExit) {
    const HWND window = MakeWindow();
    EXPECT_NE(window, nullptr);
    HDC first = nullptr;
    HDC second = nullptr;
    {
        const ScopedGetDc dc(window);
        EXPECT_TRUE(static_cast<bool>(dc));
        first = dc.Get();
        // While one is held, the window's next device context is another one...
        const ScopedGetDc other(window);
        second = other.Get();
        EXPECT_TRUE(second != nullptr && second != first);
    }
    // ...and once they are given back, the system's cache hands one of them out again.
    const ScopedGetDc again(window);
    EXPECT_TRUE(again.Get() == first || again.Get() == second);
    DestroyWindow(window);
}

TEST(ScopedSelectObject, SelectsBackInReverseOrder) {
    const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    const UniqueGdiObject bitmap(CreateBitmap(4, 4, 1, 32, nullptr));
    const UniqueGdiObject pen(CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
    const UniqueGdiObject brush(CreateSolidBrush(RGB(0, 255, 0)));
    const struct {
        UINT kind;
        HGDIOBJ object;
    } selections[] = {{OBJ_BITMAP, bitmap.Get()}, {OBJ_PEN, pen.Get()}, {OBJ_BRUSH, brush.Get()}};
    HGDIOBJ before[3];
    for (int i = 0; i < 3; ++i) before[i] = GetCurrentObject(dc.Get(), selections[i].kind);
    {
        const ScopedSelectObject bitmapIn(dc.Get(), bitmap.Get());
        const ScopedSelectObject penIn(dc.Get(), pen.Get());
        {
            const ScopedSelectObject brushIn(dc.Get(), brush.Get());
            EXPECT_TRUE(static_cast<bool>(brushIn));
            for (const auto& s : selections)
                EXPECT_EQ(GetCurrentObject(dc.Get(), s.kind), s.object);
        }
        EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BRUSH), before[2]);
        EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_PEN), pen.Get());
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(GetCurrentObject(dc.Get(), selections[i].kind), before[i]);
}

TEST(ScopedSelectObject, ASelectionThatFailsSelectsNothingBack) {
    const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    const UniqueGdiObject pen(CreatePen(PS_SOLID, 1, RGB(0, 0, 255)));
    const ScopedSelectObject penIn(dc.Get(), pen.Get());
    {
        const ScopedSelectObject nothing(dc.Get(), nullptr);
        EXPECT_FALSE(nothing);
    }
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_PEN), pen.Get());
}

TEST(ScopedComPtr, ReleasesItsReferenceOnce) {
    CountedObject object;
    {
        ScopedComPtr<IUnknown> owner(&object);
        EXPECT_EQ(owner.Get(), &object);
    }
    EXPECT_EQ(object.releases, 1);
    EXPECT_EQ(object.references, 0ul);
}

TEST(ScopedComPtr, MovesHandTheReferenceOn) {
    CountedObject moved, replaced;
    {
        ScopedComPtr<IUnknown> source(&moved);
        ScopedComPtr<IUnknown> constructed(std::move(source));
        EXPECT_FALSE(source);
        EXPECT_EQ(moved.releases, 0);
        ScopedComPtr<IUnknown> target(&replaced);
        target = std::move(constructed);
        EXPECT_EQ(replaced.releases, 1);  // the one it held is given back at once
        EXPECT_FALSE(constructed);
        auto& self = target;
        target = std::move(self);
        EXPECT_EQ(target.Get(), &moved);
        EXPECT_EQ(moved.releases, 0);
    }
    EXPECT_EQ(moved.releases, 1);
    EXPECT_EQ(replaced.releases, 1);
}

TEST(ScopedComPtr, OutResetAndDetach) {
    CountedObject held, handedOut, detached;
    {
        ScopedComPtr<IUnknown> owner(&held);
        IUnknown** slot = owner.Out();  // what a maker writes to: the one held goes first
        EXPECT_EQ(held.releases, 1);
        EXPECT_EQ(*slot, nullptr);
        *slot = &handedOut;
        EXPECT_EQ(owner.Get(), &handedOut);
        owner.Reset(&detached);
        EXPECT_EQ(handedOut.releases, 1);
        EXPECT_EQ(owner.Detach(), &detached);
        EXPECT_FALSE(owner);
    }
    EXPECT_EQ(detached.releases, 0);
    EXPECT_EQ(held.releases, 1);
}

TEST(ScopedCom, UndoesOnlyWhatItStarted) {
    const struct {
        const char* name;
        Apartment already;  // the thread's apartment before the scope
        DWORD model;        // the one the scope asks for
        bool started;
        Apartment inside;
    } cases[] = {
        {"fresh thread", Apartment::None, COINIT_APARTMENTTHREADED, true,
         Apartment::SingleThreaded},
        {"fresh thread, multithreaded", Apartment::None, COINIT_MULTITHREADED, true,
         Apartment::MultiThreaded},
        {"same model again", Apartment::SingleThreaded, COINIT_APARTMENTTHREADED, true,
         Apartment::SingleThreaded},
        {"other model refused", Apartment::MultiThreaded, COINIT_APARTMENTTHREADED, false,
         Apartment::MultiThreaded},
    };
    for (const auto& c : cases) {
        // A thread of its own for each case: COM's state belongs to the thread.
        std::thread([&c] {
            SCOPED_TRACE(c.name);  // on the thread whose checks it names
            if (c.already == Apartment::SingleThreaded)
                CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            if (c.already == Apartment::MultiThreaded)
                CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            {
                const ScopedCom com(c.model);
                EXPECT_EQ(com.Started(), c.started);
                EXPECT_EQ(ApartmentOfThisThread(), c.inside) << "inside the scope";
            }
            EXPECT_EQ(ApartmentOfThisThread(), c.already) << "not as before";
            if (c.already != Apartment::None) CoUninitialize();
        }).join();
    }
}
