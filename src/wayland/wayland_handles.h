// Owners of Wayland protocol objects: each proxy destroyed exactly once, by its interface's own request.
#pragma once

#include <wayland-client.h>

#include "core/base/unique_handle.h"

namespace nivora::wayland {

template <class Proxy, void (*Destroy)(Proxy*)>
struct ProxyTraits {
    using Handle = Proxy*;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { Destroy(h); }
};

// `Owned<wl_surface, wl_surface_destroy>` and the like.
template <class Proxy, void (*Destroy)(Proxy*)>
using Owned = UniqueHandle<ProxyTraits<Proxy, Destroy>>;

}  // namespace nivora::wayland
