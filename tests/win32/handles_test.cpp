// UniqueHandle on real kernel handles: closed once, at the right time, and never twice.
#include "handles.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

HANDLE NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

bool IsOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

}  // namespace

TEST(UniqueHandle, ClosesAtScopeExitAndOnReset) {
    const HANDLE first = NewEvent();
    const HANDLE second = NewEvent();
    {
        UniqueKernelHandle owner(first);
        EXPECT_TRUE(static_cast<bool>(owner));
        EXPECT_TRUE(IsOpen(first));
        owner.Reset(second);
        EXPECT_FALSE(IsOpen(first));
        EXPECT_TRUE(IsOpen(second));
        EXPECT_EQ(owner.Get(), second);
    }
    EXPECT_FALSE(IsOpen(second));
}

TEST(UniqueHandle, MovesHandTheHandleOn) {
    const HANDLE moved = NewEvent();
    const HANDLE replaced = NewEvent();
    UniqueKernelHandle source(moved);
    UniqueKernelHandle constructed(std::move(source));
    EXPECT_FALSE(source);
    EXPECT_EQ(constructed.Get(), moved);

    UniqueKernelHandle target(replaced);
    target = std::move(constructed);
    EXPECT_FALSE(IsOpen(replaced));  // the one it held is closed
    EXPECT_FALSE(constructed);
    EXPECT_EQ(target.Get(), moved);
    EXPECT_TRUE(IsOpen(moved));

    auto& self = target;
    target = std::move(self);
    EXPECT_TRUE(IsOpen(moved));
    EXPECT_EQ(target.Get(), moved);
}

TEST(UniqueHandle, ReleaseGivesTheHandleUpOpen) {
    const HANDLE handle = NewEvent();
    {
        UniqueKernelHandle owner(handle);
        EXPECT_EQ(owner.Release(), handle);
        EXPECT_FALSE(owner);
    }
    EXPECT_TRUE(IsOpen(handle));
    CloseHandle(handle);
}

TEST(UniqueHandle, TakesBothFailureValuesAsEmpty) {
    for (const HANDLE none : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        const UniqueKernelHandle owner(none);
        EXPECT_FALSE(owner);
    }
}

TEST(UniqueGdiOwners, DeleteTheirObjects) {
    const HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, nullptr);
    const HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    {
        const UniqueBitmap ownedBitmap(bitmap);
        const UniqueMemoryDc ownedDc(dc);
    }
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(GetObjectType(dc), 0u);
}
