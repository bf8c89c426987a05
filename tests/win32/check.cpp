#include "check.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace wut {
namespace {

struct Registry {
    std::vector<std::pair<std::string, CaseFunction>> cases;
    std::map<std::string, ChildFunction> children;
    bool currentFailed = false;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
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

void WriteLine(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

CaseRegistrar::CaseRegistrar(const char* name, CaseFunction function) {
    TheRegistry().cases.emplace_back(name, function);
}

ChildRegistrar::ChildRegistrar(const char* name, ChildFunction function) {
    TheRegistry().children[name] = function;
}

void Fail(const char* file, int line, const std::string& what) {
    TheRegistry().currentFailed = true;
    const char* base = file;
    for (const char* p = file; *p != '\0'; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
    WriteLine("  " + std::string(base) + ":" + std::to_string(line) + ": " + what);
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

}  // namespace wut

int wmain(int argc, wchar_t** argv) {
    wut::Registry& registry = wut::TheRegistry();
    if (argc >= 3 && std::wstring(argv[1]) == L"--child") {
        const auto child = registry.children.find(wut::Narrow(argv[2]));
        if (child == registry.children.end()) return 100;
        return child->second(std::vector<std::wstring>(argv + 3, argv + argc));
    }
    // With names given, only those cases run.
    const std::vector<std::wstring> only(argv + 1, argv + argc);
    int failed = 0;
    int ran = 0;
    for (const auto& [name, function] : registry.cases) {
        if (!only.empty() && std::find(only.begin(), only.end(),
                                       std::wstring(name.begin(), name.end())) == only.end())
            continue;
        registry.currentFailed = false;
        try {
            function();
        } catch (...) {
            wut::Fail(__FILE__, __LINE__, "an exception left the case");
        }
        ++ran;
        if (registry.currentFailed) ++failed;
        wut::WriteLine((registry.currentFailed ? "FAIL " : "ok ") + name);
    }
    wut::WriteLine(std::to_string(ran) + " cases, " + std::to_string(failed) + " failed");
    return failed;
}
