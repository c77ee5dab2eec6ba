// Loads the library named on its command line the way an unguarded program does, by name alone: the planting
// test's proof that a library dropped beside a program is found there first on this system.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR name, int)
{
    return LoadLibraryW(name) != nullptr ? 0 : 1;
}
