// BellPlayerProcess with real child processes: a player is told to quit only while the process
// it started still runs, one that does not take the quit is ended, and the owner's end sees
// its player through. The children are this program started again.
#include "bell_player_process.h"

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "handles.h"

namespace {

constexpr DWORD kChildStartMs = 30000;  // Wine may take seconds to start a process
constexpr DWORD kChildEndMs = 15000;    // covers the two-second grace before a forced end
constexpr DWORD kExitByItself = 7;
constexpr DWORD kExitForced = 1;  // what BellPlayerProcess gives a player it ends by force

// Events a child and the test share: the child sets "ready" once it runs as its kind of player
// should; a child that ends by itself waits for "go" first.
struct ChildEvents {
    explicit ChildEvents(const std::wstring& base)
        : ready(CreateEventW(nullptr, TRUE, FALSE, (base + L".ready").c_str())),
          go(CreateEventW(nullptr, TRUE, FALSE, (base + L".go").c_str())) {}
    UniqueKernelHandle ready;
    UniqueKernelHandle go;
};

std::wstring NewEventBase() {
    static int count = 0;
    return L"OrvaneWin32UnitTests." + std::to_wstring(GetCurrentProcessId()) + L"." +
           std::to_wstring(++count);
}

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

// A player started through BellPlayerProcess, seen from the test through a handle of its own.
struct StartedChild {
    bool started = false;
    DWORD processId = 0;
    UniqueKernelHandle process;

    DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(process.Get(), kChildEndMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.Get(), &code);
        return code;
    }
};

StartedChild StartChild(BellPlayerProcess& players, const char* kind, const ChildEvents& events,
                        const std::wstring& base) {
    StartedChild child;
    child.started = players.Start(wut::ChildCommandLine(kind, Narrow(base)));
    child.processId = players.RunningProcessId();
    child.process.Reset(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, child.processId));
    EXPECT_TRUE(child.started);
    EXPECT_NE(child.processId, 0ul);
    EXPECT_EQ(WaitForSingleObject(events.ready.Get(), kChildStartMs), WAIT_OBJECT_0);
    return child;
}

UniqueKernelHandle OpenChildEvent(const std::vector<std::wstring>& arguments,
                                  const wchar_t* suffix) {
    if (arguments.empty()) return UniqueKernelHandle();
    return UniqueKernelHandle(
        OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, (arguments[0] + suffix).c_str()));
}

}  // namespace

// A player that takes the quit: it ends when its main thread's queue gets WM_QUIT.
WUT_CHILD(obeying_player) {
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // makes the queue
    SetEvent(OpenChildEvent(arguments, L".ready").Get());
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    }
    return 0;
}

// A player that never makes a message queue, so no quit can reach it.
WUT_CHILD(deaf_player) {
    SetEvent(OpenChildEvent(arguments, L".ready").Get());
    Sleep(60000);
    return 0;
}

// A player that ends by itself when the test says so.
WUT_CHILD(player_that_ends_by_itself) {
    SetEvent(OpenChildEvent(arguments, L".ready").Get());
    WaitForSingleObject(OpenChildEvent(arguments, L".go").Get(), kChildStartMs);
    return kExitByItself;
}

TEST(BellPlayerProcess, IsToldToQuitOnlyWhileItRuns) {
    const struct {
        const char* kind;
        bool endsFirst;  // the player ends by itself before Quit
        bool told;       // what Quit answers
        DWORD exitCode;
    } cases[] = {
        {"obeying_player", false, true, 0},
        {"deaf_player", false, true, kExitForced},  // ended after the grace
        {"player_that_ends_by_itself", true, false, kExitByItself},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        BellPlayerProcess players;
        const std::wstring base = NewEventBase();
        const ChildEvents events(base);
        const StartedChild child = StartChild(players, c.kind, events, base);
        if (c.endsFirst) {
            SetEvent(events.go.Get());
            EXPECT_EQ(child.ExitCode(), c.exitCode);
            EXPECT_EQ(players.RunningProcessId(), 0ul);
        } else {
            EXPECT_EQ(players.RunningProcessId(), child.processId);
        }
        EXPECT_EQ(players.Quit(), c.told) << "told";
        EXPECT_EQ(child.ExitCode(), c.exitCode) << "exit code";
        EXPECT_EQ(players.RunningProcessId(), 0ul);
        EXPECT_FALSE(players.Quit());  // nobody is told twice
    }
}

TEST(BellPlayerProcess, NoPlayerStartedMeansNobodyIsTold) {
    BellPlayerProcess players;
    EXPECT_FALSE(players.Quit());
    EXPECT_FALSE(players.Start("\"C:\\no such folder\\atsbell.exe\" atsopen 0"));
    EXPECT_EQ(players.RunningProcessId(), 0ul);
    EXPECT_FALSE(players.Quit());
}

TEST(BellPlayerProcess, TheOwnersEndSeesARunningPlayerThrough) {
    const std::wstring base = NewEventBase();
    const ChildEvents events(base);
    UniqueKernelHandle process;
    {
        BellPlayerProcess players;
        StartedChild child = StartChild(players, "obeying_player", events, base);
        process = std::move(child.process);
    }
    EXPECT_EQ(WaitForSingleObject(process.Get(), 0), WAIT_OBJECT_0);  // ended, not left running
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.Get(), &code);
    EXPECT_EQ(code, 0ul);  // by the quit
}
