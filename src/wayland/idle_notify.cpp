// Idle notifications from the compositor. Both protocols honour idle inhibitors (a playing video): the compositor
// then sends no idle event.
#include "idle_notify.h"

#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <wayland-client.h>

#include "core/settings/linux_command_line.h"
#include "core/snow/frame_clock.h"
#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"

namespace nivora::wayland {

namespace {

class IdleNotify final : public program::IdleSource {
public:
    explicit IdleNotify(wl_display* display) : display_(display) {}
    ~IdleNotify() override
    {
        if (notification_)
            ext_idle_notification_v1_destroy(notification_);
        if (timeout_)
            org_kde_kwin_idle_timeout_release(timeout_);
        if (notifier_)
            ext_idle_notifier_v1_destroy(notifier_);
        if (kdeIdle_)
            org_kde_kwin_idle_destroy(kdeIdle_);
        if (seat_)
            wl_seat_destroy(seat_);
        if (registry_)
            wl_registry_destroy(registry_);
        wl_display_disconnect(display_);
    }
    IdleNotify(const IdleNotify&) = delete;
    IdleNotify& operator=(const IdleNotify&) = delete;

    // Binds the globals and asks for the notification; false when the compositor offers no idle protocol or seat.
    bool start(std::chrono::milliseconds idle)
    {
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &kRegistryListener, this);
        if (wl_display_roundtrip(display_) < 0 || !seat_ || (!notifier_ && !kdeIdle_))
            return false;
        const auto milliseconds = uint32_t(idle.count());
        if (notifier_) {
            notification_ = ext_idle_notifier_v1_get_idle_notification(notifier_, milliseconds, seat_);
            ext_idle_notification_v1_add_listener(notification_, &kExtListener, this);
        } else {
            timeout_ = org_kde_kwin_idle_get_idle_timeout(kdeIdle_, seat_, milliseconds);
            org_kde_kwin_idle_timeout_add_listener(timeout_, &kKdeListener, this);
        }
        return wl_display_roundtrip(display_) >= 0;
    }

    program::IdleWait wait() override
    {
        wl_display_dispatch_pending(display_);
        wl_display_flush(display_);
        return {wl_display_get_fd(display_), POLLIN, FrameClock::kNever};
    }

    program::IdleNews read(short events) override
    {
        if ((events & POLLIN) ? wl_display_dispatch(display_) < 0 : (events & (POLLERR | POLLHUP)) != 0) {
            std::fprintf(stderr, "nivora: the connection to the Wayland compositor was lost\n");
            return program::IdleNews::Lost;
        }
        const bool news = becameIdle_ && idle_;
        becameIdle_ = false;
        return news ? program::IdleNews::Idle : program::IdleNews::Nothing;
    }

private:
    static void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
    {
        auto* self = static_cast<IdleNotify*>(data);
        const std::string_view offered = interface;
        if (offered == ext_idle_notifier_v1_interface.name && !self->notifier_)
            self->notifier_ = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
        else if (offered == org_kde_kwin_idle_interface.name && !self->kdeIdle_)
            self->kdeIdle_ = static_cast<org_kde_kwin_idle*>(
                wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
        else if (offered == wl_seat_interface.name && !self->seat_)
            self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    }
    static void onGlobalRemove(void*, wl_registry*, uint32_t) {}
    static constexpr wl_registry_listener kRegistryListener = {&onGlobal, &onGlobalRemove};

    void idled()
    {
        idle_ = true;
        becameIdle_ = true;
    }
    static void onExtIdled(void* data, ext_idle_notification_v1*) { static_cast<IdleNotify*>(data)->idled(); }
    static void onExtResumed(void* data, ext_idle_notification_v1*) { static_cast<IdleNotify*>(data)->idle_ = false; }
    static constexpr ext_idle_notification_v1_listener kExtListener = {&onExtIdled, &onExtResumed};
    static void onKdeIdle(void* data, org_kde_kwin_idle_timeout*) { static_cast<IdleNotify*>(data)->idled(); }
    static void onKdeResumed(void* data, org_kde_kwin_idle_timeout*) { static_cast<IdleNotify*>(data)->idle_ = false; }
    static constexpr org_kde_kwin_idle_timeout_listener kKdeListener = {&onKdeIdle, &onKdeResumed};

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    ext_idle_notifier_v1* notifier_ = nullptr;
    org_kde_kwin_idle* kdeIdle_ = nullptr;
    ext_idle_notification_v1* notification_ = nullptr;
    org_kde_kwin_idle_timeout* timeout_ = nullptr;
    bool idle_ = false;
    bool becameIdle_ = false;
};

}  // namespace

std::unique_ptr<program::IdleSource> openIdleNotify(std::chrono::milliseconds idle, std::string& problem)
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        problem = "cannot connect to the Wayland compositor " + quotedForTerminal(name ? name : "");
        return nullptr;
    }
    auto source = std::make_unique<IdleNotify>(display);
    if (!source->start(idle))
        return nullptr;
    return source;
}

}  // namespace nivora::wayland
