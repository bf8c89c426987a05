#include "looping_wave.h"

#include <windows.h>
// clang-format off
#include <mmsystem.h>
// clang-format on

#include "wave_file.h"

LoopingWave::LoopingWave(const std::wstring& path) : m_data(ReadWaveFile(path)) {
    if (m_data.empty()) return;
    // No default system sound in place of a bad file: that would loop a beep.
    PlaySoundW(reinterpret_cast<LPCWSTR>(m_data.data()), nullptr,
               SND_MEMORY | SND_LOOP | SND_ASYNC | SND_NODEFAULT);
}

LoopingWave::~LoopingWave() {
    // Stops the sound before its memory goes.
    if (!m_data.empty()) PlaySoundW(nullptr, nullptr, 0);
}
