// Shared-memory pictures: the segment is marked for removal as soon as it is attached here, so nothing is left in
// the system however the program ends.
#include "shared_picture.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstring>
#include <new>

#include "x_errors.h"

namespace nivora::x11 {

SharedPicture::SharedPicture(Display* display, Visual* visual, int depth, int width, int height, bool shared)
    : display_(display)
{
    // Without the extension Xlib answers its calls without asking the server, and no error would tell.
    if (shared && XShmQueryExtension(display)) {
        image_ = XShmCreateImage(display, visual, unsigned(depth), ZPixmap, nullptr, &segment_, unsigned(width),
                                 unsigned(height));
        if (image_) {
            const size_t bytes = size_t(image_->bytes_per_line) * size_t(height);
            segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
            if (segment_.shmid >= 0) {
                segment_.shmaddr = image_->data = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
                segment_.readOnly = False;
#ifdef __linux__
                // Marked for removal at once, before the round trips to the server, so that a signal or a crash
                // from here on leaves nothing behind: Linux lets the server attach a marked segment while this
                // process holds it.
                shmctl(segment_.shmid, IPC_RMID, nullptr);
#endif
                if (segment_.shmaddr != reinterpret_cast<char*>(-1)) {
                    // A remote or sandboxed server refuses the segment: the X error is caught and the picture
                    // falls back to XPutImage.
                    const ErrorTrap trap(display);
                    XShmAttach(display, &segment_);
                    shared_ = trap.passed();
                    if (!shared_)
                        shmdt(segment_.shmaddr);
                }
#ifndef __linux__
                shmctl(segment_.shmid, IPC_RMID, nullptr);  // elsewhere a marked segment can no longer be attached
#endif
            }
            if (!shared_) {
                image_->data = nullptr;
                XDestroyImage(image_);
                image_ = nullptr;
            }
        }
    }
    if (!shared_) {
        try {
            own_.assign(size_t(width) * size_t(height), kBlackPixel);
        } catch (const std::bad_alloc&) {
            return;  // not valid(): the caller says so
        }
        image_ = XCreateImage(display, visual, unsigned(depth), ZPixmap, 0, reinterpret_cast<char*>(own_.data()),
                              unsigned(width), unsigned(height), 32, width * 4);
        if (image_)
            image_->byte_order = LSBFirst;  // the core's order; Xlib swaps for a server of the other
        return;
    }
    std::memset(image_->data, 0, size_t(image_->bytes_per_line) * size_t(height));
}

SharedPicture::~SharedPicture()
{
    if (!image_)
        return;
    if (shared_) {
        XShmDetach(display_, &segment_);
        XSync(display_, False);
        shmdt(segment_.shmaddr);
    }
    image_->data = nullptr;  // not Xlib's to free
    XDestroyImage(image_);
}

Surface SharedPicture::surface() const
{
    return {reinterpret_cast<Pixel*>(image_->data), image_->width, image_->height, image_->bytes_per_line / 4};
}

void SharedPicture::put(Drawable drawable, GC gc, int x, int y, std::span<const Rect> rects) const
{
    for (const Rect& r : rects) {
        const auto w = unsigned(r.right - r.left), h = unsigned(r.bottom - r.top);
        if (shared_)
            XShmPutImage(display_, drawable, gc, image_, r.left, r.top, x + r.left, y + r.top, w, h, False);
        else
            XPutImage(display_, drawable, gc, image_, r.left, r.top, x + r.left, y + r.top, w, h);
    }
}

bool takesCorePixels(const XVisualInfo& visual)
{
    return visual.c_class == TrueColor && (visual.depth == 24 || visual.depth == 32) && visual.red_mask == 0xFF0000 &&
           visual.green_mask == 0x00FF00 && visual.blue_mask == 0x0000FF;
}

}  // namespace nivora::x11
