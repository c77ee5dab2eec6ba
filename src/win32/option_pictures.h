// The option pictures of the settings window and its overlay, decoded on first use and kept for the window's life.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <tuple>

#include "handles.h"

namespace nivora::win32 {

class OptionPictures {
public:
    // Pictures from the resources of `module`: the program's own unless told (the tests read them from nivora.scr).
    explicit OptionPictures(HMODULE module = nullptr);
    ~OptionPictures();
    OptionPictures(const OptionPictures&) = delete;
    OptionPictures& operator=(const OptionPictures&) = delete;

    // The picture of `row` 1..5, value `element`, exactly `size` pixels (360 x 40 scaled by the layout table);
    // nullptr when there is none. The bitmap stays owned by this object.
    HBITMAP get(int row, int element, SIZE size);
    // Frees every picture of another size: once the window shows this size, the others are not needed again soon,
    // and a window sent one scale after another must not keep them all.
    void keepOnly(SIZE size);

private:
    class Decoder;  // the imaging component's objects, created on first use

    HMODULE module_;
    bool comInitialised_ = false;
    std::unique_ptr<Decoder> decoder_;
    std::map<std::tuple<int, int, LONG, LONG>, UniqueHbitmap> pictures_;
};

}  // namespace nivora::win32
