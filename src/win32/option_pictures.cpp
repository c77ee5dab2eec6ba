// Option pictures from the program's resources, resampled to the size the display scale asks for.
#include "option_pictures.h"

#include "resource_ids.h"
#include "window_services.h"

namespace nivora::win32 {

namespace {

constexpr int kRowCounts[] = {5, 13, 2, 5, 1};  // pictures of rows 1..5
constexpr int kFirstPicture[] = {IDB_PRECIPITATION_0, IDB_VELOCITY_0, IDB_DIRECTION_0, IDB_BLIGHTNESS_0, IDB_MESSAGE};

}  // namespace

HBITMAP OptionPictures::original(int row, int element)
{
    if (row < 1 || row > 5 || element < 0 || element >= kRowCounts[row - 1])
        return nullptr;
    const int id = kFirstPicture[row - 1] + element;
    UniqueHbitmap& bitmap = originals_[id];
    if (!bitmap)
        bitmap.reset(static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP,
                                                     0, 0, LR_CREATEDIBSECTION)));
    return bitmap.get();
}

HBITMAP OptionPictures::get(int row, int element, SIZE size)
{
    HBITMAP source = original(row, element);
    if (!source || size.cx <= 0 || size.cy <= 0)
        return nullptr;
    const SIZE natural = bitmapSize(source);
    if (natural.cx == size.cx && natural.cy == size.cy)
        return source;
    UniqueHbitmap& bitmap = sized_[{row, element, size.cx, size.cy}];
    if (bitmap)
        return bitmap.get();
    WindowDc screen(nullptr);
    UniqueHdc from(CreateCompatibleDC(screen.get()));
    UniqueHdc to(CreateCompatibleDC(screen.get()));
    bitmap.reset(CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
    if (!from || !to || !bitmap)
        return nullptr;
    SelectGuard in(from.get(), source);
    SelectGuard out(to.get(), bitmap.get());
    // HALFTONE averages the source pixels under each target pixel: no dropped strokes when shrinking.
    SetStretchBltMode(to.get(), HALFTONE);
    SetBrushOrgEx(to.get(), 0, 0, nullptr);
    StretchBlt(to.get(), 0, 0, size.cx, size.cy, from.get(), 0, 0, natural.cx, natural.cy, SRCCOPY);
    return bitmap.get();
}

}  // namespace nivora::win32
