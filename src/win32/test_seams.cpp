// The end-to-end tests' seams, compiled into the test build only (NIVORA_TEST_HOOKS): the shipped saver registers no
// test message, reads no such variable and writes into no mapping, since any program of the user's session could set
// the one or make the other.
#include "test_seams.h"

#ifdef NIVORA_TEST_HOOKS

#include <algorithm>
#include <cstring>
#include <string>

#include "clocked_loop.h"
#include "readback_protocol.h"
#include "snow_window.h"

#endif

namespace nivora::win32 {

#ifdef NIVORA_TEST_HOOKS

namespace {

bool environmentSaysOne(const wchar_t* name)
{
    wchar_t value[4] = {};
    return GetEnvironmentVariableW(name, value, 4) == 1 && value[0] == L'1';
}

// Writes `width` x `height` pixels, rows `stride` pixels apart, into the mapping the test made for this process.
// False when there is no such mapping or it is too small for them.
bool writeToMapping(const uint32_t* pixels, int stride, int left, int top, int width, int height)
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

}  // namespace

// A friend of FrmMain: it reads the session's frame count and holds the frames while a picture is read back.
class SnowWindowTestSeam final : public SnowWindowSeam {
public:
    explicit SnowWindowTestSeam(FrmMain& window)
        : window_(window), frameCountMessage_(RegisterWindowMessageW(readback::kFrameCountMessageName))
    {
        // The readback answers only when the tests ask for it, so that the other tests run the saver as it ships.
        if (environmentSaysOne(readback::kEnvironmentVariable))
            readbackMessage_ = RegisterWindowMessageW(readback::kMessageName);
    }

    std::optional<LRESULT> answer(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        // No registered message is 0: a registration that failed answers nothing.
        if (message == 0)
            return std::nullopt;
        if (message == frameCountMessage_)
            return static_cast<LRESULT>(window_.session_ ? window_.session_->frameCount() : 0);
        if (message == readbackMessage_)
            return readBack(wParam, lParam);
        return std::nullopt;
    }

private:
    LRESULT readBack(WPARAM request, LPARAM picture)
    {
        std::optional<SnowSession>& session = window_.session_;
        if (!session)
            return 0;
        switch (request) {
        case readback::kHoldAndWrite: {
            session->pause(PauseReason::HeldForTest, clockNow());
            if (picture < 0 || size_t(picture) >= window_.monitors_.size())
                return 0;
            const FrmMain::MonitorPictures& m = *window_.monitors_[size_t(picture)];
            const SnowScreen& screen = session->screen(size_t(picture));
            GdiFlush();
            const int width = std::min<int>(screen.area.drawWidth, m.picMain.width());
            const int height = std::min<int>(screen.area.drawHeight, m.picMain.height());
            return writeToMapping(m.picMain.pixels(), m.picMain.width(), screen.bounds.left, screen.bounds.top, width,
                                  height)
                       ? 1
                       : 0;
        }
        case readback::kRelease:
            session->resume(PauseReason::HeldForTest, clockNow());
            return 1;
        default:
            return 0;
        }
    }

    FrmMain& window_;
    const UINT frameCountMessage_;
    UINT readbackMessage_ = 0;
};

std::unique_ptr<SnowWindowSeam> makeSnowWindowSeam(FrmMain& window)
{
    return std::make_unique<SnowWindowTestSeam>(window);
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
    return environmentSaysOne(readback::kAnyScaleVariable);
}

#else

std::unique_ptr<SnowWindowSeam> makeSnowWindowSeam(FrmMain&)
{
    return nullptr;
}

uint32_t testFramesAhead()
{
    return 0;
}

bool testTakesAnyScale()
{
    return false;
}

#endif

}  // namespace nivora::win32
