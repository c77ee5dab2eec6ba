// Asking the desktop, on the session bus, whether the snow may start: not while the session is locked, nor while
// something (a video, a presentation) inhibits idle.
#include <systemd/sd-bus.h>

#include "idle_watcher.h"

namespace nivora::program {

namespace {

constexpr uint64_t kCallTimeoutUs = 1'000'000;  // a desktop service that hangs must not hold the watcher
constexpr uint32_t kInhibitIdle = 8;            // GNOME's session manager: the "idle" flag of an inhibitor

// A boolean answer, or false when the service is not there or answers something else.
bool askBool(sd_bus* bus, const char* service, const char* path, const char* interface, const char* method,
             const char* signature, uint32_t argument)
{
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int answer = 0;
    const int called = signature ? sd_bus_call_method(bus, service, path, interface, method, &error, &reply, signature,
                                                      argument)
                                 : sd_bus_call_method(bus, service, path, interface, method, &error, &reply, "");
    if (called < 0 || sd_bus_message_read(reply, "b", &answer) < 0)
        answer = 0;
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return answer != 0;
}

}  // namespace

struct SessionBlocks::Bus {
    sd_bus* bus = nullptr;
};

SessionBlocks::SessionBlocks()
{
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0)
        return;  // no session bus: nothing to ask
    sd_bus_set_method_call_timeout(bus, kCallTimeoutUs);
    bus_ = new Bus{bus};
}

SessionBlocks::~SessionBlocks()
{
    if (bus_)
        sd_bus_flush_close_unref(bus_->bus);
    delete bus_;
}

bool SessionBlocks::now()
{
    if (!bus_)
        return false;
    sd_bus* bus = bus_->bus;
    return askBool(bus, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "GetActive",
                   nullptr, 0) ||
           askBool(bus, "org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager",
                   "IsInhibited", "u", kInhibitIdle) ||
           askBool(bus, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                   "GetActive", nullptr, 0);
}

}  // namespace nivora::program
