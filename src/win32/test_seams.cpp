// Test-only readback of the snow window's picture into a file mapping that the test created, and the frames run
// ahead. Only the test build (NIVORA_TEST_HOOKS) has them: the shipped saver reads no such variable and writes into
// no mapping, since any program of the user's session could set the one or make the other.
#include "surface_readback.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "readback_protocol.h"

namespace nivora::win32 {

#ifdef NIVORA_TEST_HOOKS

SurfaceReadback::SurfaceReadback()
{
    wchar_t value[4] = {};
    const DWORD n = GetEnvironmentVariableW(readback::kEnvironmentVariable, value, 4);
    if (n == 1 && value[0] == L'1')
        message_ = RegisterWindowMessageW(readback::kMessageName);
}

uint32_t testFramesAhead()
{
    wchar_t value[8] = {};
    const DWORD n = GetEnvironmentVariableW(readback::kFramesAheadVariable, value, 8);
    if (n == 0 || n >= 8)
        return 0;
    uint32_t frames = 0;
    for (DWORD i = 0; i < n; ++i) {
        if (value[i] < L'0' || value[i] > L'9')
            return 0;
        frames = frames * 10 + uint32_t(value[i] - L'0');
    }
    return std::min(frames, readback::kMostFramesAhead);
}

bool testTakesAnyScale()
{
    wchar_t value[4] = {};
    return GetEnvironmentVariableW(readback::kAnyScaleVariable, value, 4) == 1 && value[0] == L'1';
}

bool SurfaceReadback::write(const uint32_t* pixels, int stride, int left, int top, int width, int height)
{
    if (!pixels || width <= 0 || height <= 0 || stride < width)
        return false;
    const std::wstring name = readback::kMappingPrefix + std::to_wstring(GetCurrentProcessId());
    HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name.c_str());
    if (!mapping)
        return false;
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    bool written = false;
    if (view) {
        // The mapping is the test's word: check that it is large enough, committed and writable before writing a
        // byte (a mapping made with SEC_RESERVE maps, but writing into it faults).
        MEMORY_BASIC_INFORMATION region{};
        const size_t rowBytes = size_t(width) * sizeof(uint32_t);
        const size_t needed = sizeof(readback::Header) + rowBytes * size_t(height);
        constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
        if (VirtualQuery(view, &region, sizeof region) == sizeof region && region.RegionSize >= needed &&
            region.State == MEM_COMMIT && (region.Protect & kWritable) != 0 && (region.Protect & PAGE_GUARD) == 0) {
            auto* out = static_cast<unsigned char*>(view);
            const readback::Header header{left, top, width, height};
            std::memcpy(out, &header, sizeof header);
            out += sizeof header;
            for (int y = 0; y < height; ++y, out += rowBytes)
                std::memcpy(out, pixels + size_t(y) * size_t(stride), rowBytes);
            written = true;
        }
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return written;
}

#else

SurfaceReadback::SurfaceReadback() = default;

uint32_t testFramesAhead()
{
    return 0;
}

bool testTakesAnyScale()
{
    return false;
}

bool SurfaceReadback::write(const uint32_t*, int, int, int, int, int)
{
    return false;
}

#endif

}  // namespace nivora::win32
