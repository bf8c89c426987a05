// Scoped owners of what Win32 lends for a while rather than hands over: a window's device
// context, an object selected into a device context, COM on a thread and a COM interface
// pointer. Each gives back what it took when its scope ends. (A memory device context is an
// owned handle: UniqueMemoryDc in handles.h.)
#ifndef ORVANE_WIN32_SCOPES_H
#define ORVANE_WIN32_SCOPES_H

#include <windows.h>
// clang-format off
#include <objbase.h>
// clang-format on

#include <utility>

// The device context of a window (nullptr: the screen) from GetDC, released at scope exit.
class ScopedGetDc {
public:
    explicit ScopedGetDc(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    ~ScopedGetDc() {
        if (m_dc != nullptr) ReleaseDC(m_window, m_dc);
    }
    ScopedGetDc(const ScopedGetDc&) = delete;
    ScopedGetDc& operator=(const ScopedGetDc&) = delete;

    HDC Get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// A pen, brush, font or bitmap selected into a device context for the scope; the object it
// replaced is selected back at scope exit. (Regions are not selected this way: SelectObject
// returns no object for them.)
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    ~ScopedSelectObject() {
        if (*this) SelectObject(m_dc, m_previous);
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

    // False when the object could not be selected.
    explicit operator bool() const { return m_previous != nullptr && m_previous != HGDI_ERROR; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// COM on the calling thread for the scope. Every successful CoInitializeEx (S_FALSE, already
// started, included) is matched by one CoUninitialize; a failed one (another threading model
// already chosen) undoes nothing.
class ScopedCom {
public:
    explicit ScopedCom(DWORD model = COINIT_APARTMENTTHREADED)
        : m_result(CoInitializeEx(nullptr, model)) {}
    ~ScopedCom() {
        if (Started()) CoUninitialize();
    }
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;

    bool Started() const { return SUCCEEDED(m_result); }

private:
    HRESULT m_result;
};

// One reference to a COM object, released at scope exit or when replaced. Moves hand the
// reference on.
template <typename Interface>
class ScopedComPtr {
public:
    ScopedComPtr() = default;
    // Takes over a reference the caller holds.
    explicit ScopedComPtr(Interface* object) : m_p(object) {}
    ScopedComPtr(ScopedComPtr&& other) noexcept : m_p(other.Detach()) {}
    ScopedComPtr& operator=(ScopedComPtr&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }
    ScopedComPtr(const ScopedComPtr&) = delete;
    ScopedComPtr& operator=(const ScopedComPtr&) = delete;
    ~ScopedComPtr() { Reset(); }

    Interface* Get() const { return m_p; }
    Interface* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // Where a function that hands out a reference puts it; the one held before is released.
    Interface** Out() {
        Reset();
        return &m_p;
    }
    // The same for functions that take a void** (CoCreateInstance, QueryInterface).
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    // Gives up the reference without releasing it.
    Interface* Detach() { return std::exchange(m_p, nullptr); }
    void Reset(Interface* object = nullptr) {
        Interface* previous = std::exchange(m_p, object);
        if (previous != nullptr) previous->Release();
    }

private:
    Interface* m_p = nullptr;
};

#endif
