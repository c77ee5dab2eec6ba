// Mutter's idle monitor through sd-bus: an idle watch that fires each time the user has been idle for the time, and
// a one-time user-active watch after each firing, so the source knows whether the user is still idle.
#include "mutter_idle.h"

#include <poll.h>
#include <systemd/sd-bus.h>

#include <cstdio>
#include <optional>

#include "core/snow/frame_clock.h"
#include "event_loop.h"

namespace nivora::program {

namespace {

constexpr const char* kService = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kInterface = "org.gnome.Mutter.IdleMonitor";
constexpr uint64_t kCallTimeoutUs = 2'000'000;

class MutterIdle final : public IdleSource {
public:
    explicit MutterIdle(sd_bus* bus) : bus_(bus) {}
    ~MutterIdle() override
    {
        sd_bus_slot_unref(slot_);
        sd_bus_flush_close_unref(bus_);
    }
    MutterIdle(const MutterIdle&) = delete;
    MutterIdle& operator=(const MutterIdle&) = delete;

    bool start(std::chrono::milliseconds idle)
    {
        if (sd_bus_match_signal(bus_, &slot_, kService, kPath, kInterface, "WatchFired", &MutterIdle::onFired, this) <
            0)
            return false;
        return addWatch("AddIdleWatch", uint64_t(idle.count()), idleWatch_);
    }

    IdleWait wait() override
    {
        sd_bus_flush(bus_);
        uint64_t deadline = 0;
        int64_t timeout = FrameClock::kNever;
        if (sd_bus_get_timeout(bus_, &deadline) >= 0 && deadline != UINT64_MAX) {
            const int64_t now = clockNow();
            timeout = int64_t(deadline) > now ? int64_t(deadline) - now : 0;
        }
        const int events = sd_bus_get_events(bus_);
        return {sd_bus_get_fd(bus_), short(events > 0 ? events : POLLIN), timeout};
    }

    IdleNews read(short) override
    {
        int processed;
        while ((processed = sd_bus_process(bus_, nullptr)) > 0) {}
        if (processed < 0) {
            std::fprintf(stderr, "nivora: the session bus is gone\n");
            return IdleNews::Lost;
        }
        if (wantActiveWatch_) {
            wantActiveWatch_ = false;
            activeWatch_ = 0;
            addWatch("AddUserActiveWatch", std::nullopt, activeWatch_);
        }
        const bool news = becameIdle_ && idle_;
        becameIdle_ = false;
        return news ? IdleNews::Idle : IdleNews::Nothing;
    }

private:
    bool addWatch(const char* method, std::optional<uint64_t> interval, uint32_t& id)
    {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        const int called = interval ? sd_bus_call_method(bus_, kService, kPath, kInterface, method, &error, &reply, "t",
                                                         *interval)
                                    : sd_bus_call_method(bus_, kService, kPath, kInterface, method, &error, &reply, "");
        const bool ok = called >= 0 && sd_bus_message_read(reply, "u", &id) >= 0;
        sd_bus_message_unref(reply);
        sd_bus_error_free(&error);
        return ok;
    }

    static int onFired(sd_bus_message* message, void* self, sd_bus_error*)
    {
        auto* source = static_cast<MutterIdle*>(self);
        uint32_t id = 0;
        if (sd_bus_message_read(message, "u", &id) < 0)
            return 0;
        if (id == source->idleWatch_) {
            source->idle_ = true;
            source->becameIdle_ = true;
            source->wantActiveWatch_ = true;  // called outside the callback, not within sd-bus's dispatch
        } else if (id != 0 && id == source->activeWatch_) {
            source->idle_ = false;
        }
        return 0;
    }

    sd_bus* bus_;
    sd_bus_slot* slot_ = nullptr;
    uint32_t idleWatch_ = 0;
    uint32_t activeWatch_ = 0;
    bool idle_ = false;
    bool becameIdle_ = false;
    bool wantActiveWatch_ = false;
};

}  // namespace

std::unique_ptr<IdleSource> openMutterIdle(std::chrono::milliseconds idle)
{
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0)
        return nullptr;
    sd_bus_set_method_call_timeout(bus, kCallTimeoutUs);
    auto source = std::make_unique<MutterIdle>(bus);
    if (!source->start(idle))
        return nullptr;
    return source;
}

}  // namespace nivora::program
