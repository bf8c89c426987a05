// A small test runner for the unit tests that need Windows itself, run under Wine (GoogleTest
// is built for the build machine only). A case is a function; a failed check prints where and
// what and marks its case failed. The runner prints "ok <case>" or "FAIL <case>" for each case
// and exits with the number of failed cases.
//
// A case may start this program again as a child process ("--child <name> <arguments>") that
// runs a registered child function and exits with its result.
#ifndef ORVANE_TESTS_WIN32_CHECK_H
#define ORVANE_TESTS_WIN32_CHECK_H

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

namespace wut {

using CaseFunction = void (*)();
using ChildFunction = int (*)(const std::vector<std::wstring>& arguments);

struct CaseRegistrar {
    CaseRegistrar(const char* name, CaseFunction function);
};
struct ChildRegistrar {
    ChildRegistrar(const char* name, ChildFunction function);
};

void Fail(const char* file, int line, const std::string& what);

template <typename T>
std::string Show(const T& value) {
    if constexpr (requires(std::ostream & out) { out << value; }) {
        std::ostringstream out;
        out << value;
        return out.str();
    } else {
        return "?";
    }
}

template <typename A, typename B>
void CheckEqual(const A& a, const B& b, const char* expression, const char* file, int line) {
    if (!(a == b))
        Fail(file, line, std::string(expression) + " (" + Show(a) + " vs " + Show(b) + ")");
}

// This program's command line to run a child function: "<exe>" --child <name> <arguments>,
// in UTF-8.
std::string ChildCommandLine(const char* name, const std::string& arguments);

}  // namespace wut

#define WUT_CASE(name)                                           \
    static void name();                                          \
    static const ::wut::CaseRegistrar name##_case(#name, &name); \
    static void name()

#define WUT_CHILD(name)                                            \
    static int name(const std::vector<std::wstring>& arguments);   \
    static const ::wut::ChildRegistrar name##_child(#name, &name); \
    static int name([[maybe_unused]] const std::vector<std::wstring>& arguments)

#define CHECK(condition) \
    ((condition) ? void() : ::wut::Fail(__FILE__, __LINE__, "CHECK(" #condition ")"))
#define CHECK_EQ(a, b) ::wut::CheckEqual((a), (b), #a " == " #b, __FILE__, __LINE__)

#endif
