// The clock of the snow window's timers, and the message loop that waits for them and for messages at once.
#include "clocked_loop.h"

#include <algorithm>

#include "core/snow/frame_clock.h"
#include "handles.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace nivora::win32 {

namespace {

// A waitable timer that ends its waits on time (Windows 10 1803 and later), or where that kind is missing a plain
// one: its waits end on the system's tick, and the clocks' deadlines keep the rate right on average.
HANDLE createWaiter()
{
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (!timer)
        timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    return timer;
}

}  // namespace

int64_t clockNow()
{
    static const int64_t frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return f.QuadPart > 0 ? f.QuadPart : 1;
    }();
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    const int64_t c = counter.QuadPart;
    return c / frequency * 1000000 + c % frequency * 1000000 / frequency;
}

int runClockedMessageLoop(const std::function<int64_t()>& runDue)
{
    struct Waiter {
        HANDLE handle = createWaiter();
        ~Waiter()
        {
            if (handle)
                CloseHandle(handle);
        }
    } waiter;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const int64_t wait = runDue();
        if (wait == 0)
            continue;
        if (waiter.handle && wait != FrameClock::kNever) {
            LARGE_INTEGER due{};
            due.QuadPart = -wait * 10;  // relative, in 100 ns
            if (SetWaitableTimer(waiter.handle, &due, 0, nullptr, nullptr, FALSE)) {
                MsgWaitForMultipleObjectsEx(1, &waiter.handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
                continue;
            }
        }
        const DWORD ms = wait == FrameClock::kNever ? INFINITE
                                                    : static_cast<DWORD>(std::min<int64_t>((wait + 999) / 1000, 60000));
        MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

}  // namespace nivora::win32
