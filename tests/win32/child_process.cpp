#include "child_process.h"

#include <windows.h>

#include <map>

namespace wut {
namespace {

std::map<std::string, ChildFunction>& Children() {
    static std::map<std::string, ChildFunction> children;
    return children;
}

std::string Narrow(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                            length, nullptr, nullptr);
    return out;
}

}  // namespace

ChildRegistrar::ChildRegistrar(const char* name, ChildFunction function) {
    Children()[name] = function;
}

std::string ChildCommandLine(const char* name, const std::string& arguments) {
    std::wstring exe(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (length < exe.size()) {
            exe.resize(length);
            break;
        }
        exe.resize(exe.size() * 2);
    }
    return "\"" + Narrow(exe) + "\" --child " + name + (arguments.empty() ? "" : " " + arguments);
}

std::optional<int> RunChild(int argc, wchar_t** argv) {
    if (argc < 3 || std::wstring(argv[1]) != L"--child") return std::nullopt;
    const auto child = Children().find(Narrow(argv[2]));
    if (child == Children().end()) return 100;
    return child->second(std::vector<std::wstring>(argv + 3, argv + argc));
}

}  // namespace wut
