// The soak driver: the full-screen saver at 3000 flakes with the automatic wind for a given time, its resident
// memory sampled and the picture checked for motion, then hundreds of preview and full-screen starts and stops,
// counting processes left behind. Run by scripts/soak.sh under Wine; the last line it prints is the verdict.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "saver.h"

namespace {

constexpr int kPreviewCycles = 200;
constexpr int kFullScreenCycles = 100;
constexpr DWORD kSampleInterval = 5000;  // ms between memory samples and screenshots
constexpr DWORD kExitGrace = 5000;       // ms a saver may take to end once told to
constexpr size_t kMovingPixels = 100;    // changed pixels between two screenshots that count as motion

void say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

size_t residentKb(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters))
        return 0;
    return counters.WorkingSetSize / 1024;
}

size_t changedPixels(const e2e::Picture& a, const e2e::Picture& b)
{
    size_t n = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        n += a.pixels[i] != b.pixels[i];
    return n;
}

// Every running nivora.scr, whoever started it.
std::vector<DWORD> saverProcesses()
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, L"nivora.scr") == 0)
            found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

// Ends whatever nivora.scr is still running and says how many there were.
int endStragglers()
{
    const std::vector<DWORD> left = saverProcesses();
    for (DWORD pid : left) {
        if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
            TerminateProcess(p, 99);
            WaitForSingleObject(p, 5000);
            CloseHandle(p);
        }
    }
    return int(left.size());
}

void storeSoakSettings()
{
    e2e::clearStore();
    e2e::storeText(L"reg_precipitation", L"4");  // 3000 flakes
    e2e::storeText(L"velocity", L"6");
    e2e::storeText(L"direction", L"True");  // the automatic wind
    e2e::storeText(L"blightness", L"2");
    e2e::storeText(L"messageText", L"TOVEK Super Quorlane 2004");
}

struct SoakResult {
    bool ran = false;
    long long growthKb = 0;
    bool pictureChanging = false;
};

// The full-screen saver for `seconds`, sampled every few seconds after a warm-up in which its memory settles.
SoakResult soak(int seconds)
{
    SoakResult result;
    e2e::Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    if (!window) {
        say("soak: the full-screen window did not appear");
        return result;
    }
    const DWORD warmUp = DWORD(std::clamp(seconds / 10, 10, 60)) * 1000;
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG end = start + ULONGLONG(seconds) * 1000;
    e2e::Picture previous = e2e::captureScreen();
    size_t baselineKb = 0, lastKb = 0, peakKb = 0;
    int samples = 0, still = 0;
    result.ran = true;
    while (GetTickCount64() < end) {
        e2e::pump(DWORD(std::min<ULONGLONG>(kSampleInterval, end - GetTickCount64())));
        if (!saver.running()) {
            say("soak: the saver ended by itself after %llu s, exit code %lu", (GetTickCount64() - start) / 1000,
                saver.exitCode());
            result.ran = false;
            break;
        }
        const size_t kb = residentKb(saver.process());
        const e2e::Picture now = e2e::captureScreen();
        const size_t moving = changedPixels(previous, now);
        previous = now;
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (elapsed >= warmUp) {
            if (baselineKb == 0)
                baselineKb = kb;
            lastKb = kb;
            peakKb = std::max(peakKb, kb);
            ++samples;
            if (moving < kMovingPixels)
                ++still;
        }
        say("  %4llu s: resident %zu KB, %zu pixels changed", elapsed / 1000, kb, moving);
    }
    if (result.ran) {
        e2e::saveBmp(previous, e2e::outputPath(L"soak_last_picture.bmp"));
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer)) {
            say("soak: the saver no longer answers");
            result.ran = false;
        }
    }
    result.growthKb = (long long)lastKb - (long long)baselineKb;
    result.pictureChanging = result.ran && samples > 0 && still == 0;
    say("soak: %d samples after %lu s warm-up: baseline %zu KB, last %zu KB, peak %zu KB, %d without motion", samples,
        warmUp / 1000, baselineKb, lastKb, peakKb, still);
    return result;
}

// What a run of starts and stops left: processes still running after the grace time, and cycles that went wrong
// in another way (no window appeared).
struct Churn {
    int leftover = 0;
    int failed = 0;
};

// Host made, "/p" started, host destroyed: the saver must follow its host out.
Churn previewCycles(int cycles)
{
    Churn churn;
    for (int i = 0; i < cycles; ++i) {
        auto host = std::make_unique<e2e::TestWindow>(RECT{200, 200, 352, 312}, nullptr);
        e2e::Saver saver(L"/p " + std::to_wstring(reinterpret_cast<INT_PTR>(host->hwnd())));
        const bool shown = e2e::pumpUntil(
            [&] { return FindWindowExW(host->hwnd(), nullptr, nullptr, L"Nivora Preview") != nullptr; }, 10000);
        host->destroy();
        if (!saver.waitExit(kExitGrace)) {
            ++churn.leftover;
            say("  preview cycle %d: the saver outlived its host", i + 1);
        }
        if (!shown) {
            ++churn.failed;
            say("  preview cycle %d: no preview appeared", i + 1);
        }
        if ((i + 1) % 50 == 0)
            say("  preview cycles: %d done", i + 1);
    }
    churn.leftover += endStragglers();
    return churn;
}

// Started, a key pressed: the fade ends the saver, or a second key ends it at once (every other cycle).
Churn fullScreenCycles(int cycles)
{
    Churn churn;
    for (int i = 0; i < cycles; ++i) {
        e2e::Saver saver(L"/s");
        HWND window = saver.waitForWindow(L"Nivora MAIN");
        if (!window) {
            ++churn.failed;
            say("  full-screen cycle %d: no window appeared", i + 1);
        } else {
            HWND pic = e2e::picMainOf(window);
            PostMessageW(pic, WM_KEYDOWN, 'A', 0);
            if (i % 2 == 1) {
                e2e::pumpUntil([&] { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0; }, 2000);
                PostMessageW(pic, WM_KEYDOWN, 'B', 0);
            }
        }
        if (!saver.waitExit(kExitGrace)) {
            ++churn.leftover;
            say("  full-screen cycle %d: the saver did not end", i + 1);
        }
        if ((i + 1) % 25 == 0)
            say("  full-screen cycles: %d done", i + 1);
    }
    churn.leftover += endStragglers();
    return churn;
}

}  // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 600;
    endStragglers();
    storeSoakSettings();
    say("soak: %d s of full-screen snow at 3000 flakes with the automatic wind", seconds);
    const SoakResult soaked = soak(seconds);
    endStragglers();

    say("soak: %d preview cycles", kPreviewCycles);
    const Churn preview = previewCycles(kPreviewCycles);
    say("soak: %d full-screen cycles", kFullScreenCycles);
    const Churn fullScreen = fullScreenCycles(kFullScreenCycles);
    e2e::clearStore();
    if (preview.failed + fullScreen.failed > 0)
        say("soak: %d preview and %d full-screen cycles showed no window", preview.failed, fullScreen.failed);

    say("soak: %d s, rss growth after warm-up %lld KB, picture changing: %s, preview cycles %d leftover %d, "
        "full-screen cycles %d leftover %d",
        seconds, soaked.growthKb, soaked.pictureChanging ? "yes" : "no", kPreviewCycles, preview.leftover,
        kFullScreenCycles, fullScreen.leftover);
    const bool passed = soaked.ran && soaked.growthKb < 1024 && soaked.pictureChanging && preview.leftover == 0 &&
                        fullScreen.leftover == 0 && preview.failed == 0 && fullScreen.failed == 0;
    return passed ? 0 : 1;
}
