#include "driver.h"

#include <cstdint>
#include <exception>

#include "answers.h"
#include "module_path.h"
#include "repl.h"

namespace e2e {

long Driver::ticks_ = 0;

Driver::Driver() : playerExe_(ExeFolder() + L"atsbell.exe") {
    constexpr size_t any = SIZE_MAX;
    commands_ = {
        {"ping", {&Driver::Ping, 0, 0}},
        {"find", {&Driver::Find, 2, any}},
        {"target", {&Driver::SetTarget, 1, 1}},
        {"text", {&Driver::Text, 0, 1}},
        {"checked", {&Driver::Checked, 1, 1}},
        {"enabled", {&Driver::Enabled, 1, 1}},
        {"visible", {&Driver::Visible, 1, 1}},
        {"click", {&Driver::Click, 1, 1}},
        {"post-click", {&Driver::PostClick, 1, 1}},
        {"focus", {&Driver::Focus, 0, 0}},
        {"key", {&Driver::Key, 1, 1}},
        {"syscommand", {&Driver::SysCommand, 1, 1}},
        {"close", {&Driver::Close, 0, 0}},
        {"alive", {&Driver::Alive, 0, 0}},
        {"wait-gone", {&Driver::WaitGone, 1, 1}},
        {"controls", {&Driver::Controls, 0, 0}},
        {"window", {&Driver::Window, 0, 0}},
        {"dlgunits", {&Driver::DlgUnits, 6, any}},
        {"bitmap", {&Driver::Bitmap, 1, any}},
        {"capture", {&Driver::Capture, 2, any}},
        {"dpi", {&Driver::Dpi, 0, 0}},
        {"dpi-changed", {&Driver::DpiChanged, 1, 1}},
        {"procs", {&Driver::Procs, 1, any}},
        {"kill-procs", {&Driver::KillProcs, 1, any}},
        {"make-window", {&Driver::MakeWindow, 0, 0}},
        {"destroy-window", {&Driver::DestroyTickWindow, 0, 0}},
        {"player-exe", {&Driver::PlayerExe, 0, any}},
        {"start-player", {&Driver::StartPlayer, 0, any}},
        {"player-quit", {&Driver::PlayerQuit, 0, 0}},
        {"player-idle", {&Driver::PlayerIdle, 1, 1}},
        {"player-wait", {&Driver::PlayerWait, 1, 1}},
        {"player-kill", {&Driver::PlayerKill, 0, 0}},
        {"ticks", {&Driver::Ticks, 0, 0}},
        {"sleep", {&Driver::Sleep, 1, 1}},
        {"cover", {&Driver::Cover, 4, 4}},
        {"uncover", {&Driver::Uncover, 0, 0}},
    };
}

bool Driver::Run(const std::string& line) {
    const std::wstring wide = Widen(line);
    const size_t space = wide.find(L' ');
    const std::string name = Narrow(wide.substr(0, space));
    // The raw text after the command word and one space: titles and paths may hold spaces.
    const std::wstring rest = space == std::wstring::npos ? L"" : wide.substr(space + 1);
    if (name.empty()) {
        WriteLine("error empty command");
        return true;
    }
    if (name == "quit") {
        WriteLine("bye");
        return false;
    }
    const auto it = commands_.find(name);
    if (it == commands_.end()) {
        WriteLine("error unknown command " + name);
        return true;
    }
    const Args args = SplitWords(rest);
    const Entry& entry = it->second;
    if (args.size() < entry.minArgs || args.size() > entry.maxArgs) {
        WriteLine("error wrong number of arguments for " + name);
        return true;
    }
    try {
        WriteLine((this->*entry.command)(args, rest));
    } catch (const Failure& failure) {
        WriteLine("error " + failure.message);
    } catch (const std::exception& e) {
        WriteLine(std::string("error ") + e.what());
    }
    return true;
}

HWND Driver::Target() const {
    if (!target_) Fail("no target");
    if (!IsWindow(target_)) Fail("target is gone");
    return target_;
}

HWND Driver::Control(const std::wstring& id) const {
    const HWND control = GetDlgItem(Target(), static_cast<int>(ParseInt(id, "control id")));
    if (!control) Fail("no control " + Narrow(id));
    return control;
}

}  // namespace e2e
