// A library dropped beside the saver under a system library's name never runs: the saver imports only libraries
// that Windows takes from its own folder (KnownDLLs) and loads any other from the system folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <stdexcept>
#include <set>
#include <string>
#include <vector>

#include "saver.h"

namespace {

std::wstring lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return wchar_t(std::towlower(c)); });
    return text;
}

// The names of the libraries a program imports, read from its file's import table.
std::vector<std::wstring> importedLibraries(const std::wstring& path)
{
    std::vector<char> bytes;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        LARGE_INTEGER size{};
        GetFileSizeEx(file, &size);
        bytes.resize(size_t(size.QuadPart));
        DWORD got = 0;
        if (!ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr))
            got = 0;
        bytes.resize(got);
        CloseHandle(file);
    }
    auto fits = [&](size_t offset, size_t size) { return offset <= bytes.size() && size <= bytes.size() - offset; };
    auto read = [&](auto& value, size_t offset) {
        if (!fits(offset, sizeof value))
            throw std::runtime_error("truncated program file");
        memcpy(&value, bytes.data() + offset, sizeof value);
    };
    IMAGE_DOS_HEADER dos{};
    read(dos, 0);
    IMAGE_NT_HEADERS64 nt{};
    read(nt, size_t(dos.e_lfanew));
    EXPECT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    const size_t sections = size_t(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                            nt.FileHeader.SizeOfOptionalHeader;
    auto fileOffset = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section{};
            read(section, sections + i * sizeof section);
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.Misc.VirtualSize)
                return rva - section.VirtualAddress + section.PointerToRawData;
        }
        throw std::runtime_error("address outside every section");
    };
    std::vector<std::wstring> names;
    const IMAGE_DATA_DIRECTORY imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (size_t at = fileOffset(imports.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR entry{};
        read(entry, at);
        if (entry.Name == 0)
            break;
        std::wstring name;
        for (size_t c = fileOffset(entry.Name); fits(c, 1) && bytes[c] != 0; ++c)
            name += wchar_t(static_cast<unsigned char>(bytes[c]));
        names.push_back(lower(name));
    }
    // Libraries loaded late are looked for like any other: none may be there either.
    const IMAGE_DATA_DIRECTORY delayed = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    EXPECT_EQ(delayed.Size, 0u) << "the program has delay-loaded imports";
    return names;
}

std::wstring tempFolder()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    const std::wstring folder = std::wstring(base) + L"nivora-planted-" + std::to_wstring(GetCurrentProcessId()) +
                                L"-" + std::to_wstring(GetTickCount64());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\";
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring beside(const wchar_t* file)
{
    const std::wstring saver = e2e::shippedSaverPath();
    return saver.substr(0, saver.find_last_of(L"\\/") + 1) + file;
}

// The system libraries that are not KnownDLLs and that a saver could be tempted to use: planted beside a copy of
// the saver, and searched for in the program's folder first, as Windows searches for them. Under Wine that takes
// the override "msimg32,wtsapi32,shcore=n,b" in WINEDLLOVERRIDES when the test program starts (Wine reads it from
// the environment it was started with, not from one changed here): scripts/e2e.sh runs this test so.
constexpr const wchar_t* kPlantedNames[] = {L"msimg32.dll", L"wtsapi32.dll", L"shcore.dll"};

class PlantedFolder {
public:
    PlantedFolder() : folder_(tempFolder())
    {
        for (const wchar_t* name : kPlantedNames)
            EXPECT_TRUE(CopyFileW(beside(L"planted_library.dll").c_str(), (folder_ + name).c_str(), FALSE));
        EXPECT_TRUE(CopyFileW(e2e::shippedSaverPath().c_str(), (folder_ + L"nivora.scr").c_str(), FALSE));
        EXPECT_TRUE(CopyFileW(beside(L"plant_probe.exe").c_str(), (folder_ + L"plant_probe.exe").c_str(), FALSE));
    }
    ~PlantedFolder()
    {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((folder_ + L"*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileW((folder_ + found.cFileName).c_str());
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(folder_.c_str());
    }
    PlantedFolder(const PlantedFolder&) = delete;
    PlantedFolder& operator=(const PlantedFolder&) = delete;

    const std::wstring& path() const { return folder_; }
    // The planted libraries that have run so far.
    std::vector<std::wstring> ran() const
    {
        std::vector<std::wstring> names;
        for (const wchar_t* name : kPlantedNames)
            if (exists(folder_ + name + L".ran"))
                names.push_back(name);
        return names;
    }

private:
    std::wstring folder_;
};

}  // namespace

TEST(LibraryPlanting, TheSaverImportsOnlyKnownDlls)
{
    // Windows 10's KnownDLLs that a program like this may import; any other name is looked for beside the program.
    const std::set<std::wstring> known{L"advapi32.dll", L"combase.dll",  L"comdlg32.dll", L"gdi32.dll",
                                       L"gdiplus.dll",  L"imm32.dll",    L"kernel32.dll", L"msvcrt.dll",
                                       L"ole32.dll",    L"oleaut32.dll", L"rpcrt4.dll",   L"sechost.dll",
                                       L"shell32.dll",  L"shlwapi.dll",  L"user32.dll",   L"ws2_32.dll"};
    const std::vector<std::wstring> imported = importedLibraries(e2e::shippedSaverPath());
    ASSERT_FALSE(imported.empty());
    EXPECT_TRUE(std::count(imported.begin(), imported.end(), L"kernel32.dll"));
    for (const std::wstring& name : imported)
        EXPECT_TRUE(known.count(name)) << "nivora.scr imports " << std::string(name.begin(), name.end())
                                       << ", which is not a KnownDLL";
}

TEST(LibraryPlanting, ALibraryPlantedBesideTheSaverNeverRuns)
{
    PlantedFolder planted;
    // The bed first: a program that loads a library by name alone picks up the planted one, so a saver that did
    // would be caught below.
    {
        e2e::Saver probe(planted.path() + L"plant_probe.exe", L"plant_probe.exe wtsapi32.dll");
        ASSERT_TRUE(probe.waitExit(e2e::exitLimitMs(0)));
        ASSERT_EQ(planted.ran(), std::vector<std::wstring>{L"wtsapi32.dll"})
            << "this system does not look beside the program first: the test would show nothing";
        DeleteFileW((planted.path() + L"wtsapi32.dll.ran").c_str());
    }
    // "Test" from the display settings (full screen), and "Settings..." (the dialog), each past its start-up.
    {
        e2e::Saver saver(planted.path() + L"nivora.scr", L"\"" + planted.path() + L"nivora.scr\" /s");
        ASSERT_NE(saver.waitForWindow(L"Nivora MAIN"), nullptr);
        // The shipped saver does not count its frames for the tests: the snow moving on the screen shows them, once
        // the window is up and once more after that.
        const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        ASSERT_TRUE(e2e::screenChanges(screen));
        ASSERT_TRUE(e2e::screenChanges(screen));
    }
    {
        e2e::Saver saver(planted.path() + L"nivora.scr", L"\"" + planted.path() + L"nivora.scr\" /c");
        ASSERT_NE(saver.waitForWindow(L"Nivora Setting"), nullptr);
    }
    EXPECT_EQ(planted.ran(), std::vector<std::wstring>{});
}
