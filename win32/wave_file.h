// A wave file read whole into memory, for PlaySound to play from there.
#ifndef ORVANE_WIN32_WAVE_FILE_H
#define ORVANE_WIN32_WAVE_FILE_H

#include <string>
#include <vector>

// The bytes of the file at path, read through the Unicode file API; empty for a file that is
// missing, unreadable, larger than 64 MiB or not a RIFF WAVE file whose chunks all lie within
// it. PlaySound trusts the sizes a wave in memory gives, so a truncated file would have it
// read past the end of the bytes.
std::vector<char> ReadWaveFile(const std::wstring& path);

#endif
