// A wave file that sounds in a loop for as long as its owner keeps it.
#ifndef ORVANE_WIN32_LOOPING_WAVE_H
#define ORVANE_WIN32_LOOPING_WAVE_H

#include <string>
#include <vector>

// Reads the whole file through the Unicode file API (ReadWaveFile) and loops it from memory.
// PlaySound's own file opening goes through the ANSI code page and a 128-character path buffer,
// so a wave in a folder named outside that code page (a Japanese folder on a Western system) or
// deep in the tree would stay silent. A file ReadWaveFile refuses stays silent.
class LoopingWave {
public:
    explicit LoopingWave(const std::wstring& path);
    ~LoopingWave();
    LoopingWave(const LoopingWave&) = delete;
    LoopingWave& operator=(const LoopingWave&) = delete;

private:
    std::vector<char> m_data;  // PlaySound reads it while the sound lasts
};

#endif
