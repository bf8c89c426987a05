// UniqueHandle on real kernel handles: closed once, at the right time, and never twice.
#include "handles.h"

#include <utility>

#include "check.h"

namespace {

HANDLE NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

bool IsOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

}  // namespace

WUT_CASE(unique_handle_closes_at_scope_exit_and_on_reset) {
    const HANDLE first = NewEvent();
    const HANDLE second = NewEvent();
    {
        UniqueKernelHandle owner(first);
        CHECK(static_cast<bool>(owner));
        CHECK(IsOpen(first));
        owner.Reset(second);
        CHECK(!IsOpen(first));
        CHECK(IsOpen(second));
        CHECK_EQ(owner.Get(), second);
    }
    CHECK(!IsOpen(second));
}

WUT_CASE(unique_handle_moves_hand_the_handle_on) {
    const HANDLE moved = NewEvent();
    const HANDLE replaced = NewEvent();
    UniqueKernelHandle source(moved);
    UniqueKernelHandle constructed(std::move(source));
    CHECK(!source);
    CHECK_EQ(constructed.Get(), moved);

    UniqueKernelHandle target(replaced);
    target = std::move(constructed);
    CHECK(!IsOpen(replaced));  // the one it held is closed
    CHECK(!constructed);
    CHECK_EQ(target.Get(), moved);
    CHECK(IsOpen(moved));

    auto& self = target;
    target = std::move(self);
    CHECK(IsOpen(moved));
    CHECK_EQ(target.Get(), moved);
}

WUT_CASE(unique_handle_release_gives_the_handle_up_open) {
    const HANDLE handle = NewEvent();
    {
        UniqueKernelHandle owner(handle);
        CHECK_EQ(owner.Release(), handle);
        CHECK(!owner);
    }
    CHECK(IsOpen(handle));
    CloseHandle(handle);
}

WUT_CASE(unique_handle_takes_both_failure_values_as_empty) {
    for (const HANDLE none : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        const UniqueKernelHandle owner(none);
        CHECK(!owner);
    }
}

WUT_CASE(unique_gdi_owners_delete_their_objects) {
    const HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, nullptr);
    const HDC dc = CreateCompatibleDC(nullptr);
    CHECK_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    CHECK_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    {
        const UniqueBitmap ownedBitmap(bitmap);
        const UniqueMemoryDc ownedDc(dc);
    }
    CHECK_EQ(GetObjectType(bitmap), 0u);
    CHECK_EQ(GetObjectType(dc), 0u);
}
