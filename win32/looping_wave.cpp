#include "looping_wave.h"

#include <windows.h>
// clang-format off
#include <mmsystem.h>
// clang-format on

#include <new>

#include "handles.h"

namespace {

// Several minutes of CD-quality sound; larger files are not read into memory.
constexpr LONGLONG MAX_WAVE_BYTES = 64LL * 1024 * 1024;

std::vector<char> ReadWholeFile(const std::wstring& path) {
    UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > MAX_WAVE_BYTES) return {};
    std::vector<char> data;
    try {
        data.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return {};  // no memory for it: the sound stays silent
    }
    DWORD read = 0;
    if (!ReadFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
        read != data.size())
        return {};
    return data;
}

}  // namespace

LoopingWave::LoopingWave(const std::wstring& path) : m_data(ReadWholeFile(path)) {
    if (m_data.empty()) return;
    // No default system sound in place of a bad file: that would loop a beep.
    PlaySoundW(reinterpret_cast<LPCWSTR>(m_data.data()), nullptr,
               SND_MEMORY | SND_LOOP | SND_ASYNC | SND_NODEFAULT);
}

LoopingWave::~LoopingWave() {
    // Stops the sound before its memory goes.
    if (!m_data.empty()) PlaySoundW(nullptr, nullptr, 0);
}
