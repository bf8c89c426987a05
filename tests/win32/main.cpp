// win32_unit_tests.exe: GoogleTest's runner, or a child process that a test started.
#include <gtest/gtest.h>

#include "child_process.h"

int wmain(int argc, wchar_t** argv) {
    if (const auto code = wut::RunChild(argc, argv)) return *code;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
