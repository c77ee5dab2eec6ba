// A move-only owner of one handle (a GDI object, a device context, a registry key...), closed exactly once.
#pragma once

#include <utility>

namespace nivora {

// Traits supply `using Handle = ...;`, `static Handle invalid()` and `static void close(Handle)`.
template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : h_(h) {}
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::invalid(); }

    // Gives up ownership, e.g. when the handle is handed to a window that frees it from then on.
    [[nodiscard]] Handle release() { return std::exchange(h_, Traits::invalid()); }

    void reset(Handle h = Traits::invalid())
    {
        const Handle old = std::exchange(h_, h);
        if (old != Traits::invalid())
            Traits::close(old);
    }

private:
    Handle h_ = Traits::invalid();
};

}  // namespace nivora
