// The child processes of the Win32 unit tests: a test may start this program again
// ("--child <name> <arguments>") to run a registered child function, which exits with its
// result. Every other command line runs the tests.
#ifndef ORVANE_TESTS_WIN32_CHILD_PROCESS_H
#define ORVANE_TESTS_WIN32_CHILD_PROCESS_H

#include <optional>
#include <string>
#include <vector>

namespace wut {

using ChildFunction = int (*)(const std::vector<std::wstring>& arguments);

struct ChildRegistrar {
    ChildRegistrar(const char* name, ChildFunction function);
};

// This program's command line to run a child function: "<exe>" --child <name> <arguments>,
// in UTF-8.
std::string ChildCommandLine(const char* name, const std::string& arguments);

// The exit code of the child the command line names (100 for an unknown one), or nothing
// when it names none.
std::optional<int> RunChild(int argc, wchar_t** argv);

}  // namespace wut

#define WUT_CHILD(name)                                            \
    static int name(const std::vector<std::wstring>& arguments);   \
    static const ::wut::ChildRegistrar name##_child(#name, &name); \
    static int name([[maybe_unused]] const std::vector<std::wstring>& arguments)

#endif
