// A full-screen saver started with the test-only readback: the tests read its own picture and its frame count, and
// may have it run frames ahead before it shows the first one.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <wtsapi32.h>

#include <memory>
#include <string>
#include <vector>

#include "saver.h"
#include "win32/readback_protocol.h"

namespace e2e {

// GUID_CONSOLE_DISPLAY_STATE (declared but not defined by the SDK headers without INITGUID).
inline constexpr GUID kConsoleDisplayState{
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// A full-screen saver that answers the test's readback requests.
class ReadableSaver {
public:
    // framesAhead: frames the saver runs before it shows the first, so that the snow has fallen into the picture.
    // program: the test build by default, which has the seams.
    explicit ReadableSaver(const wchar_t* framesAhead = nullptr, const std::wstring& program = e2e::saverPath())
    {
        SetEnvironmentVariableW(nivora::readback::kEnvironmentVariable, L"1");
        SetEnvironmentVariableW(nivora::readback::kFramesAheadVariable, framesAhead);
        saver_ = std::make_unique<Saver>(program, L"\"" + program + L"\" /s");
        SetEnvironmentVariableW(nivora::readback::kEnvironmentVariable, nullptr);
        SetEnvironmentVariableW(nivora::readback::kFramesAheadVariable, nullptr);
        // The frames run ahead come before the window shows.
        window_ = saver_->waitForWindow(L"Nivora MAIN", framesAheadLimitMs(framesAhead ? _wtoi(framesAhead) : 0));
        message_ = RegisterWindowMessageW(nivora::readback::kMessageName);
        frameCountMessage_ = RegisterWindowMessageW(nivora::readback::kFrameCountMessageName);
    }
    ~ReadableSaver()
    {
        for (void* block : remoteBlocks_)
            VirtualFreeEx(saver_->process(), block, 0, MEM_RELEASE);
    }

    HWND window() const { return window_; }
    Saver& saver() { return *saver_; }

    LRESULT request(WPARAM what, LPARAM which = 0)
    {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window_, message_, what, which, SMTO_NORMAL, kPatienceMs, &result);
        return LRESULT(result);
    }
    LRESULT frames()
    {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window_, frameCountMessage_, 0, 0, SMTO_NORMAL, kPatienceMs, &result);
        return LRESULT(result);
    }

    // The display's power state as the system reports it: the setting lives in the receiver's memory.
    void postDisplayState(DWORD state)
    {
        struct {
            POWERBROADCAST_SETTING setting;
            DWORD spare;  // Data holds one byte in the declaration; the state takes four
        } note{};
        note.setting.PowerSetting = kConsoleDisplayState;
        note.setting.DataLength = sizeof(DWORD);
        CopyMemory(note.setting.Data, &state, sizeof state);
        void* remote = VirtualAllocEx(saver_->process(), nullptr, sizeof note, MEM_COMMIT | MEM_RESERVE,
                                      PAGE_READWRITE);
        ASSERT_NE(remote, nullptr);
        remoteBlocks_.push_back(remote);
        ASSERT_TRUE(WriteProcessMemory(saver_->process(), remote, &note, sizeof note, nullptr));
        ASSERT_TRUE(PostMessageW(window_, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(remote)));
    }
    void postSessionChange(WPARAM code)
    {
        DWORD session = 0;
        ProcessIdToSessionId(saver_->pid(), &session);
        ASSERT_TRUE(PostMessageW(window_, WM_WTSSESSION_CHANGE, code, LPARAM(session)));
    }

    // The mapping the saver writes into, large enough for the whole virtual screen; `protection` as
    // CreateFileMappingW takes it.
    HANDLE makeMapping(DWORD protection = PAGE_READWRITE)
    {
        const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        const size_t bytes = sizeof(nivora::readback::Header) + size_t(width) * size_t(height) * 4;
        const std::wstring name = nivora::readback::kMappingPrefix + std::to_wstring(saver_->pid());
        return CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, protection, DWORD(uint64_t(bytes) >> 32), DWORD(bytes),
                                  name.c_str());
    }

    // Stops the frames and reads the saver's picture number `which`; empty when the saver did not write it.
    e2e::Picture holdAndRead(int which, POINT& origin)
    {
        e2e::Picture picture;
        HANDLE mapping = makeMapping();
        if (!mapping)
            return picture;
        if (request(nivora::readback::kHoldAndWrite, which) == 1) {
            const auto* view = static_cast<const unsigned char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
            if (view) {
                nivora::readback::Header header{};
                CopyMemory(&header, view, sizeof header);
                origin = {header.left, header.top};
                picture.width = header.width;
                picture.height = header.height;
                picture.pixels.resize(size_t(header.width) * size_t(header.height));
                CopyMemory(picture.pixels.data(), view + sizeof header, picture.pixels.size() * 4);
                for (uint32_t& p : picture.pixels)
                    p &= 0x00FFFFFF;
                UnmapViewOfFile(view);
            }
        }
        CloseHandle(mapping);
        return picture;
    }

private:
    std::unique_ptr<Saver> saver_;
    HWND window_ = nullptr;
    UINT message_ = 0;
    UINT frameCountMessage_ = 0;
    std::vector<void*> remoteBlocks_;
};

}  // namespace e2e
