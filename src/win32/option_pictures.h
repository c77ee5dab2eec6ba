// The option pictures of the settings window and its overlay, decoded on first use and kept for the window's life.
#pragma once

#include <windows.h>

#include <map>
#include <tuple>

#include "handles.h"

namespace nivora::win32 {

class OptionPictures {
public:
    // The picture of `row` 1..5, value `element`, exactly `size` pixels (360 x 40 scaled by the layout table);
    // nullptr when there is none. The bitmap stays owned by this object.
    HBITMAP get(int row, int element, SIZE size);

private:
    HBITMAP original(int row, int element);

    std::map<int, UniqueHbitmap> originals_;  // by resource identifier
    std::map<std::tuple<int, int, LONG, LONG>, UniqueHbitmap> sized_;
};

}  // namespace nivora::win32
