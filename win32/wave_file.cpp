#include "wave_file.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "handles.h"

namespace {

// Several minutes of CD-quality sound; larger files are not read into memory.
constexpr LONGLONG MAX_WAVE_BYTES = 64LL * 1024 * 1024;

constexpr std::uint64_t RIFF_HEADER_BYTES = 12;  // "RIFF", the size that follows, "WAVE"
constexpr std::uint64_t CHUNK_HEADER_BYTES = 8;  // its tag, its size
constexpr std::uint32_t MIN_FORMAT_BYTES = 16;   // PCMWAVEFORMAT

bool HasTag(const std::vector<char>& bytes, std::uint64_t at, const char (&tag)[5]) {
    return std::memcmp(bytes.data() + at, tag, 4) == 0;
}

std::uint32_t SizeAt(const std::vector<char>& bytes, std::uint64_t at) {
    std::uint32_t size;  // little-endian, as on every Windows machine
    std::memcpy(&size, bytes.data() + at, sizeof size);
    return size;
}

// A RIFF WAVE file with a format and a data chunk, every chunk within the bytes.
bool IsWholeWave(const std::vector<char>& bytes) {
    if (bytes.size() < RIFF_HEADER_BYTES || !HasTag(bytes, 0, "RIFF") || !HasTag(bytes, 8, "WAVE"))
        return false;
    const std::uint64_t end = std::uint64_t{SizeAt(bytes, 4)} + 8;
    if (end > bytes.size()) return false;
    bool format = false;
    bool data = false;
    for (std::uint64_t at = RIFF_HEADER_BYTES; at + CHUNK_HEADER_BYTES <= end;) {
        const std::uint32_t size = SizeAt(bytes, at + 4);
        if (at + CHUNK_HEADER_BYTES + size > end) return false;
        if (HasTag(bytes, at, "fmt ")) format = size >= MIN_FORMAT_BYTES;
        if (HasTag(bytes, at, "data")) data = true;
        at += CHUNK_HEADER_BYTES + size + (size & 1);  // chunks start on even offsets
    }
    return format && data;
}

}  // namespace

std::vector<char> ReadWaveFile(const std::wstring& path) {
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
        read != data.size() || !IsWholeWave(data))
        return {};
    return data;
}
