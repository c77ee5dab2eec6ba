// Hostile settings and command lines: whatever the registry holds and whatever the command line says, nivora.scr
// neither crashes nor hangs nor writes to the registry, and it either runs or, where it has nothing to run in,
// ends at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "saver.h"
#include "saver_expectations.h"

using e2e::Saver;

namespace {

constexpr const wchar_t* kStoreKey = L"Software\\Nivora";

// Everything under the store's key: each key's path with its values (name, type, bytes), and its subkeys.
struct RegistryValue {
    std::wstring name;
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const RegistryValue&) const = default;
};
struct RegistryKey {
    std::wstring path;
    std::vector<RegistryValue> values;
    bool operator==(const RegistryKey&) const = default;
};

void snapshotKey(const std::wstring& path, std::vector<RegistryKey>& out)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values, &longestName,
                     &longestData, nullptr, nullptr);
    RegistryKey snapshot{path, {}};
    for (DWORD i = 0; i < values; ++i) {
        std::wstring name(longestName + 1, L'\0');
        std::vector<BYTE> data(longestData + 2);
        DWORD nameLength = longestName + 1, dataBytes = DWORD(data.size()), type = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataBytes) != ERROR_SUCCESS)
            continue;
        name.resize(nameLength);
        data.resize(dataBytes);
        snapshot.values.push_back({name, type, data});
    }
    out.push_back(snapshot);
    for (DWORD i = 0; i < subkeys; ++i) {
        std::wstring name(longestSubkey + 1, L'\0');
        DWORD nameLength = longestSubkey + 1;
        if (RegEnumKeyExW(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            snapshotKey(path + L"\\" + name.substr(0, nameLength), out);
    }
    RegCloseKey(key);
}

std::vector<RegistryKey> snapshotStore()
{
    std::vector<RegistryKey> keys;
    snapshotKey(kStoreKey, keys);
    return keys;
}

std::wstring handleText(HWND hwnd)
{
    return std::to_wstring(reinterpret_cast<INT_PTR>(hwnd));
}

// A window that answers messages is alive; a crashed one stuck in a debugger, or a busy loop, is not.
bool answers(HWND window)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, e2e::kPatienceMs, &result) != 0;
}

enum class Outcome { FullScreen, Preview, Settings, EndsAtOnce };

// Starts the saver, checks the outcome, ends the saver again.
void expectOutcome(const std::wstring& arguments, Outcome outcome, HWND host = nullptr)
{
    Saver saver(arguments);
    switch (outcome) {
    case Outcome::FullScreen: {
        HWND window = saver.waitForWindow(L"Nivora MAIN");
        ASSERT_NE(window, nullptr) << "no full-screen window";
        // Through a dozen frames with these values. Not judged by the picture: a wind of 1e30 blows every flake
        // off the screen, and a still screen is then right.
        EXPECT_TRUE(e2e::holdsFor([&] { return saver.running(); }, 300)) << "the saver ended";
        EXPECT_TRUE(answers(window)) << "the saver does not answer";
        break;
    }
    case Outcome::Preview: {
        // This saver's preview: one of an earlier case may still be on its way out.
        HWND child = nullptr;
        ASSERT_TRUE(e2e::pumpUntil(
            [&] {
                for (HWND w = FindWindowExW(host, nullptr, nullptr, L"Nivora Preview"); w;
                     w = FindWindowExW(host, w, nullptr, L"Nivora Preview")) {
                    DWORD pid = 0;
                    GetWindowThreadProcessId(w, &pid);
                    if (pid == saver.pid())
                        child = w;
                }
                return child != nullptr;
            },
            e2e::kAppearMs))
            << "no preview in the host";
        // Its frames are not seen here (no child of another process's window is drawn), so it must keep running
        // for a dozen of them.
        EXPECT_TRUE(e2e::holdsFor([&] { return saver.running(); }, 300)) << "the saver ended";
        EXPECT_TRUE(answers(child)) << "the preview does not answer";
        break;
    }
    case Outcome::Settings: {
        HWND window = saver.waitForWindow(L"Nivora Setting");
        ASSERT_NE(window, nullptr) << "no settings window";
        EXPECT_TRUE(answers(window)) << "the settings window does not answer";
        EXPECT_TRUE(saver.running());
        break;
    }
    case Outcome::EndsAtOnce:
        e2e::expectEndsAtOnceWithoutAWindow(saver);
        break;
    }
}

std::vector<BYTE> bytesOf(const void* data, size_t size)
{
    const auto* p = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(p, p + size);
}

// A string value as RegSetValueEx takes it: the units and, unless told otherwise, a terminating NUL.
std::vector<BYTE> textBytes(const std::wstring& text, bool terminated = true)
{
    return bytesOf(text.c_str(), (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}

std::vector<BYTE> dwordBytes(DWORD value)
{
    return bytesOf(&value, sizeof value);
}

class Hostile : public ::testing::Test {
protected:
    void SetUp() override { e2e::clearStore(); }
    void TearDown() override { e2e::clearStore(); }
};

struct Stored {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> data;
};
struct StoredCase {
    const char* what;
    std::vector<Stored> values;
};

void storeCase(const StoredCase& c)
{
    e2e::clearStore();
    for (const Stored& v : c.values)
        e2e::storeRaw(v.name, v.type, v.data.data(), DWORD(v.data.size()));
}

// What a hand-edited or foreign registry may hold under the saver's key.
std::vector<StoredCase> hostileStores()
{
    const std::wstring megabyte(512 * 1024, L'S');  // 1 MB of UTF-16
    const std::wstring withNuls(L"snow\0on\0the\0desk", 17);
    const wchar_t loneSurrogates[] = {0xD800, L'a', 0xDC00, L'b', 0xDBFF, 0};
    const wchar_t multiString[] = L"True\0False\0";
    const BYTE binary[] = {'4', 0, 0xFF, 0xFE, 0x00, 0xD8};
    // The same text as each of the four numeric options.
    const auto everyOption = [](const wchar_t* text) {
        std::vector<Stored> values;
        for (const wchar_t* name : {L"reg_precipitation", L"velocity", L"direction", L"blightness"})
            values.push_back({name, REG_SZ, textBytes(text)});
        return values;
    };
    return {
        {"numbers as DWORDs",
         {{L"reg_precipitation", REG_DWORD, dwordBytes(3)},
          {L"velocity", REG_DWORD, dwordBytes(12)},
          {L"direction", REG_DWORD, dwordBytes(0)},
          {L"blightness", REG_DWORD, dwordBytes(0xFFFFFFFF)}}},
        {"binary values",
         {{L"reg_precipitation", REG_BINARY, bytesOf(binary, sizeof binary)},
          {L"velocity", REG_BINARY, bytesOf(binary, 1)},
          {L"messageText", REG_BINARY, bytesOf(binary, sizeof binary)}}},
        {"multi-strings",
         {{L"direction", REG_MULTI_SZ, bytesOf(multiString, sizeof multiString)},
          {L"messageText", REG_MULTI_SZ, bytesOf(multiString, sizeof multiString)}}},
        {"expandable and empty typeless values",
         {{L"velocity", REG_EXPAND_SZ, textBytes(L"%PATH%")},
          {L"blightness", REG_NONE, {}},
          {L"messageText", REG_QWORD, dwordBytes(7)}}},
        {"a one-megabyte message", {{L"messageText", REG_SZ, textBytes(megabyte)}}},
        {"a one-megabyte number",
         {{L"velocity", REG_SZ, textBytes(std::wstring(512 * 1024, L'9'))},
          {L"reg_precipitation", REG_SZ, textBytes(L"0." + std::wstring(512 * 1024, L'0') + L"1")}}},
        {"a message with NULs inside", {{L"messageText", REG_SZ, textBytes(withNuls)}}},
        {"a message with lone surrogates", {{L"messageText", REG_SZ, textBytes(loneSurrogates)}}},
        {"strings without their NUL or of odd length",
         {{L"velocity", REG_SZ, textBytes(L"7", false)},
          {L"messageText", REG_SZ, bytesOf(L"abc", 5)},
          {L"blightness", REG_SZ, {}}}},
        {"1e30 everywhere", everyOption(L"1e30")},
        {"a wind option at the single's limit", {{L"velocity", REG_SZ, textBytes(L"3.402823E+38")}}},
        {"a wind option far below zero", {{L"velocity", REG_SZ, textBytes(L"-3.402823E+38")}}},
        {"-0 everywhere", everyOption(L"-0")},
        {"blanks around numbers", everyOption(L" 7 ")},
        {"hexadecimal in two notations",
         {{L"reg_precipitation", REG_SZ, textBytes(L"&H10")},
          {L"velocity", REG_SZ, textBytes(L"0x10")},
          {L"direction", REG_SZ, textBytes(L"&H0")},
          {L"blightness", REG_SZ, textBytes(L"&HFFFF")}}},
        {"out-of-range levels",
         {{L"reg_precipitation", REG_SZ, textBytes(L"-32768")},
          {L"velocity", REG_SZ, textBytes(L"-1000")},
          {L"blightness", REG_SZ, textBytes(L"32767")}}},
    };
}

TEST_F(Hostile, StoredValuesOfAnyTypeOrSizeNeitherStopTheSaverNorAreWritten)
{
    for (const StoredCase& c : hostileStores()) {
        SCOPED_TRACE(c.what);
        storeCase(c);
        const std::vector<RegistryKey> before = snapshotStore();
        ASSERT_FALSE(before.empty());

        expectOutcome(L"/s", Outcome::FullScreen);
        EXPECT_TRUE(snapshotStore() == before) << "the saver changed the registry";
    }
}

// The automatic wind first changes 5 s after the start and then moves in steps, computed from the stored wind: each
// store in a preview of its own, all at once, watched until every one is well past that change.
TEST_F(Hostile, StoredValuesOfAnyTypeOrSizeKeepTheSnowGoingPastTheFirstWindChange)
{
    struct Running {
        const char* what;
        std::unique_ptr<e2e::TestWindow> host;
        std::unique_ptr<Saver> saver;
        HWND child = nullptr;
    };
    std::vector<Running> running;
    ULONGLONG lastShown = 0;
    for (const StoredCase& c : hostileStores()) {
        SCOPED_TRACE(c.what);
        storeCase(c);
        const int i = int(running.size());
        const LONG x = 160 * (i % 6), y = 120 * (i / 6);
        Running r{c.what, std::make_unique<e2e::TestWindow>(RECT{x, y, x + 152, y + 112}, nullptr), nullptr};
        r.saver = std::make_unique<Saver>(L"/p " + handleText(r.host->hwnd()));
        // Its window shows once it has read the store: the next case may store its own values then.
        ASSERT_TRUE(e2e::pumpUntil(
            [&] { return (r.child = FindWindowExW(r.host->hwnd(), nullptr, nullptr, L"Nivora Preview")) != nullptr; },
            e2e::kAppearMs))
            << "no preview in the host";
        lastShown = GetTickCount64();
        running.push_back(std::move(r));
    }
    const std::vector<RegistryKey> before = snapshotStore();
    const auto allRun = [&] {
        return std::all_of(running.begin(), running.end(), [](Running& r) { return r.saver->running(); });
    };
    const ULONGLONG watched = GetTickCount64() - lastShown;
    EXPECT_TRUE(e2e::holdsFor(allRun, DWORD(watched < 6500 ? 6500 - watched : 0))) << "a saver ended";
    for (Running& r : running) {
        SCOPED_TRACE(r.what);
        EXPECT_TRUE(r.saver->running());
        EXPECT_TRUE(answers(r.child)) << "the preview does not answer";
        EXPECT_TRUE(e2e::waitFrames(r.child, 5)) << "frames go on after the wind changed";
    }
    EXPECT_TRUE(snapshotStore() == before) << "a saver changed the registry";
}

TEST_F(Hostile, HostileStoreAlsoLeavesThePreviewRunning)
{
    e2e::storeText(L"messageText", std::wstring(512 * 1024, L'W'));
    e2e::storeText(L"velocity", L"3.402823E+38");
    const DWORD three = 3;
    e2e::storeRaw(L"reg_precipitation", REG_DWORD, &three, sizeof three);
    const std::vector<RegistryKey> before = snapshotStore();
    e2e::TestWindow host({200, 200, 352, 312}, nullptr);
    expectOutcome(L"/p " + handleText(host.hwnd()), Outcome::Preview, host.hwnd());
    EXPECT_TRUE(snapshotStore() == before);
}

TEST_F(Hostile, CommandLinesOfAnyLengthOrAlphabetRunTheModeTheyNameOrEndAtOnce)
{
    e2e::TestWindow host({200, 200, 352, 312}, nullptr);
    const std::wstring h = handleText(host.hwnd());
    struct Case {
        const char* what;
        std::wstring arguments;
        Outcome outcome;
    };
    const Case cases[] = {
        {"32000 characters after /s", L"/s" + std::wstring(31998, L'x'), Outcome::FullScreen},
        {"32000 blanks after /s", L"/s" + std::wstring(32000, L' '), Outcome::FullScreen},
        {"a handle of 32000 digits", L"/p " + std::wstring(31997, L'9'), Outcome::EndsAtOnce},
        {"a handle followed by 31000 letters", L"/p " + h + std::wstring(31000, L'z'), Outcome::Preview},
        {"/p -5", L"/p -5", Outcome::EndsAtOnce},
        {"/p and the desktop", L"/p " + handleText(GetDesktopWindow()), Outcome::EndsAtOnce},
        {"/p 1e30", L"/p 1e30", Outcome::EndsAtOnce},
        {"/p 0x10", L"/p 0x10", Outcome::EndsAtOnce},
        {"/p -0", L"/p -0", Outcome::EndsAtOnce},
        {"/p 4294967296", L"/p 4294967296", Outcome::EndsAtOnce},
        {"/p with full-width digits", L"/p \uFF11\uFF12\uFF13", Outcome::EndsAtOnce},
        {"/p and nothing", L"/p", Outcome::EndsAtOnce},
        {"the handle with a fraction that rounds to it", L"/p " + h + L".4", Outcome::Preview},
        {"the handle with a sign and blanks", L"/P \t +" + h + L" \t", Outcome::Preview},
        {"the handle as a power of ten", L"-p" + h + L"e0", Outcome::Preview},
        {"a full-width p", L"-\uFF50 " + h, Outcome::FullScreen},
        {"a full-width c", L"/\uFF43", Outcome::FullScreen},
        {"a CJK letter", L"/\u96EA 1", Outcome::FullScreen},
        {"a Latin-1 letter", L"/\u00E9", Outcome::FullScreen},
        {"a surrogate pair", L"/\U0001F328 1", Outcome::FullScreen},
        {"a lone surrogate", L"/\xD800", Outcome::FullScreen},
        {"no arguments", L"", Outcome::Settings},
        {"only blanks and tabs", L" \t ", Outcome::Settings},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(e2e::storeExists());
        expectOutcome(c.arguments, c.outcome, host.hwnd());
        EXPECT_FALSE(e2e::storeExists()) << "the saver wrote to the registry";
    }
}

}  // namespace
