#include "window_query.h"

#include "answers.h"
#include "repl.h"

namespace e2e {

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256];
    const int n = GetClassNameW(hwnd, name, ARRAYSIZE(name));
    return std::wstring(name, n > 0 ? n : 0);
}

std::wstring TextOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        Fail("window does not answer");
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 5000, &copied))
        Fail("window does not answer");
    text.resize(copied < text.size() ? copied : text.size() - 1);
    return text;
}

std::wstring ExeOfWindow(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) Fail("cannot open the target process");
    wchar_t path[MAX_PATH * 4];
    DWORD size = ARRAYSIZE(path);
    if (!QueryFullProcessImageNameW(process.Get(), 0, path, &size)) Fail("no image name");
    return std::wstring(path, size);
}

UniqueModule LoadDatafile(const std::wstring& path) {
    UniqueModule module(LoadLibraryExW(path.c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module) Fail("cannot load " + Narrow(path));
    return module;
}

}  // namespace e2e
