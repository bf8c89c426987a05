// e2edriver.exe's driver: the commands, each a member that answers one line, and what they
// keep between them (the target window, the bell player it started, its tick window, a cover).
// Their code is grouped by what they work on: window_commands.cpp, picture_commands.cpp,
// process_commands.cpp.
#ifndef ORVANE_E2E_DRIVER_H
#define ORVANE_E2E_DRIVER_H

#include <windows.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "handles.h"

namespace e2e {

class Driver {
public:
    Driver();
    // Runs one command line; returns false on "quit".
    bool Run(const std::string& line);

private:
    using Args = std::vector<std::wstring>;
    using Command = std::string (Driver::*)(const Args&, const std::wstring& rest);
    struct Entry {
        Command command;
        size_t minArgs;
        size_t maxArgs;  // SIZE_MAX: any
    };

    HWND Target() const;
    HWND Control(const std::wstring& id) const;
    HWND FocusedWindow() const;
    HWND TickWindow();
    bool PlayerRunning() const;

    std::string Ping(const Args&, const std::wstring&) { return "pong"; }
    std::string Find(const Args& a, const std::wstring& rest);
    std::string SetTarget(const Args& a, const std::wstring&);
    std::string Text(const Args& a, const std::wstring&);
    std::string Checked(const Args& a, const std::wstring&);
    std::string Enabled(const Args& a, const std::wstring&);
    std::string Visible(const Args& a, const std::wstring&);
    std::string Click(const Args& a, const std::wstring&);
    std::string PostClick(const Args& a, const std::wstring&);
    std::string Focus(const Args&, const std::wstring&);
    std::string Key(const Args& a, const std::wstring&);
    std::string SysCommand(const Args& a, const std::wstring&);
    std::string Close(const Args&, const std::wstring&);
    std::string Alive(const Args&, const std::wstring&);
    std::string WaitGone(const Args& a, const std::wstring&);
    std::string Controls(const Args&, const std::wstring&);
    std::string Window(const Args&, const std::wstring&);
    std::string DlgUnits(const Args& a, const std::wstring&);
    std::string Bitmap(const Args& a, const std::wstring& rest);
    std::string Capture(const Args& a, const std::wstring& rest);
    std::string Dpi(const Args&, const std::wstring&);
    std::string DpiChanged(const Args& a, const std::wstring&);
    std::string Procs(const Args& a, const std::wstring& rest);
    std::string KillProcs(const Args& a, const std::wstring& rest);
    std::string MakeWindow(const Args&, const std::wstring&);
    std::string DestroyTickWindow(const Args&, const std::wstring&);
    std::string PlayerExe(const Args&, const std::wstring& rest);
    std::string StartPlayer(const Args&, const std::wstring& rest);
    std::string PlayerQuit(const Args&, const std::wstring&);
    std::string PlayerIdle(const Args& a, const std::wstring&);
    std::string PlayerWait(const Args& a, const std::wstring&);
    std::string PlayerKill(const Args&, const std::wstring&);
    std::string Ticks(const Args&, const std::wstring&);
    std::string Sleep(const Args& a, const std::wstring&);
    std::string Cover(const Args& a, const std::wstring&);
    std::string Uncover(const Args&, const std::wstring&);

    static LRESULT CALLBACK TickWindowProc(HWND, UINT, WPARAM, LPARAM);

    std::map<std::string, Entry> commands_;
    HWND target_ = nullptr;
    HWND tickWindow_ = nullptr;
    HWND cover_ = nullptr;
    std::wstring playerExe_;
    UniqueKernelHandle playerProcess_;
    DWORD playerThreadId_ = 0;
    static long ticks_;
};

}  // namespace e2e

#endif
