// Expectations shared by the end-to-end tests that start the saver.
#pragma once

#include <gtest/gtest.h>

#include "saver.h"

namespace e2e {

// Ends at once: the process goes without ever showing a window, and reports no failure.
inline void expectEndsAtOnceWithoutAWindow(Saver& saver, HWND host = nullptr)
{
    bool sawWindow = false;
    const bool ended = e2e::pumpUntil(
        [&] {
            for (HWND w : e2e::topLevelWindowsOf(saver.pid()))
                sawWindow = sawWindow || IsWindowVisible(w);
            sawWindow = sawWindow || (host && FindWindowExW(host, nullptr, nullptr, nullptr) != nullptr);
            return !saver.running();
        },
        e2e::exitLimitMs(0));
    EXPECT_TRUE(ended) << "the saver did not end";
    if (ended) {
        EXPECT_EQ(saver.exitCode(), 0u);
    }
    EXPECT_FALSE(sawWindow);
}

}  // namespace e2e
