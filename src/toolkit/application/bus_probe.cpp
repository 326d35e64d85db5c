#include "toolkit/application/bus_probe.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace toolkit {

namespace {

using Clock = std::chrono::steady_clock;

enum class Answer {
  kAnswers,  // it answered in time
  kRefuses,  // absent, refused or failed at once: nothing would wait on it
  kSilent,   // it did not answer in time: whatever asks it would wait
};

// Closed without a flush: a flush waits on the bus for as long as it takes.
struct CloseBus {
  void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
};
using Bus = std::unique_ptr<sd_bus, CloseBus>;

struct UnrefMessage {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
// Dropping the slot cancels the call, so its reply can reach no freed Reply.
struct UnrefSlot {
  void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};

// Only local sockets are asked: another kind of address may name a host,
// whose name the library looks up without a bound, or a program to run.
std::string LocalSockets(std::string_view addresses) {
  std::string kept;
  while (!addresses.empty()) {
    const std::size_t end = addresses.find(';');
    const std::string_view address = addresses.substr(0, end);
    addresses = end == std::string_view::npos ? std::string_view{} : addresses.substr(end + 1);
    if (!address.starts_with("unix:")) continue;
    if (!kept.empty()) kept += ';';
    kept += address;
  }
  return kept;
}

// Lets the library do what it can without waiting, and waits for the bus
// only until `deadline`, until `done`.
Answer Drive(sd_bus* bus, const std::function<bool()>& done, Clock::time_point deadline) {
  while (true) {
    const int processed = sd_bus_process(bus, nullptr);
    if (done()) return Answer::kAnswers;
    if (processed < 0) return Answer::kRefuses;  // closed, or broken
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left <= 0) return Answer::kSilent;
    if (processed == 0 && sd_bus_wait(bus, static_cast<std::uint64_t>(left)) < 0) {
      return Answer::kRefuses;
    }
  }
}

// Connects to a bus, authenticates and says hello, as every client must
// before it can ask anything.
Answer Greet(Bus& bus, std::string_view address, Clock::time_point deadline) {
  const std::string local = LocalSockets(address);
  if (local.empty()) return Answer::kRefuses;  // not one this probe can ask
  sd_bus* opened = nullptr;
  if (sd_bus_new(&opened) < 0) return Answer::kRefuses;
  bus.reset(opened);
  if (sd_bus_set_address(opened, local.c_str()) < 0 || sd_bus_set_bus_client(opened, 1) < 0) {
    return Answer::kRefuses;
  }
  // The library connects without blocking. A listener whose queue is full
  // takes no one then, where a client that blocks waits for as long as it
  // stays so.
  if (const int started = sd_bus_start(opened); started < 0) {
    return started == -EAGAIN ? Answer::kSilent : Answer::kRefuses;
  }
  return Drive(
      opened, [opened] { return sd_bus_is_ready(opened) > 0; }, deadline);
}

struct Reply {
  bool came = false;
  bool error = false;
  std::optional<std::string> text;  // the first argument, when it is a string
};

int Keep(sd_bus_message* message, void* userdata, sd_bus_error* /*unused*/) {
  Reply& reply = *static_cast<Reply*>(userdata);
  reply.came = true;
  reply.error = sd_bus_message_is_method_error(message, nullptr) > 0;
  const char* text = nullptr;
  if (!reply.error && sd_bus_message_read_basic(message, 's', static_cast<void*>(&text)) > 0 &&
      text != nullptr) {
    reply.text = text;
  }
  return 0;
}

// Asks one method of a bus already greeted; `reply` holds its answer.
Answer Ask(sd_bus* bus, const char* destination, const char* path, const char* interface,
           const char* member, Reply& reply, Clock::time_point deadline) {
  sd_bus_message* made = nullptr;
  if (sd_bus_message_new_method_call(bus, &made, destination, path, interface, member) < 0) {
    return Answer::kRefuses;
  }
  const std::unique_ptr<sd_bus_message, UnrefMessage> call(made);
  // A service not running is not started for a probe: that would take the
  // time it is asked about.
  sd_bus_message_set_auto_start(made, 0);
  sd_bus_slot* slot = nullptr;
  // The library's own timeout is off (UINT64_MAX): the deadline is the
  // only one, and a timeout of the library's would read as an answer.
  if (sd_bus_call_async(bus, &slot, made, Keep, &reply, UINT64_MAX) < 0) return Answer::kRefuses;
  const std::unique_ptr<sd_bus_slot, UnrefSlot> pending(slot);
  return Drive(
      bus, [&reply] { return reply.came; }, deadline);
}

std::string SessionAddress(const BusAddresses& addresses) {
  if (addresses.session) return *addresses.session;
  // Where libdbus looks when the variable is not set.
  if (addresses.runtime_dir) {
    const std::string path = *addresses.runtime_dir + "/bus";
    if (::access(path.c_str(), F_OK) == 0) return "unix:path=" + path;
  }
  return {};
}

// The accessibility bus and its registry, reached through `session` (when
// the session names the bus) or at the address the environment gives.
Answer AskAccessibility(sd_bus* session, const std::optional<std::string>& fixed,
                        Clock::time_point deadline) {
  std::string address;
  if (fixed && !fixed->empty()) {
    address = *fixed;
  } else {
    Reply reply;
    if (const Answer answer = Ask(session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                  "GetAddress", reply, deadline);
        answer != Answer::kAnswers) {
      return answer;
    }
    if (reply.error || !reply.text) return Answer::kRefuses;  // no accessibility here
    address = *reply.text;
  }
  Bus bus;
  if (const Answer answer = Greet(bus, address, deadline); answer != Answer::kAnswers) {
    return answer;
  }
  Reply reply;
  return Ask(bus.get(), "org.a11y.atspi.Registry", "/org/a11y/atspi/registry",
             "org.freedesktop.DBus.Peer", "Ping", reply, deadline);
}

}  // namespace

BusAddresses BusAddressesOfEnvironment() {
  return {process::Variable("DBUS_SESSION_BUS_ADDRESS"), process::Variable("AT_SPI_BUS_ADDRESS"),
          process::Variable("XDG_RUNTIME_DIR")};
}

process::EnvironmentAdvice KeepToolkitOffSilentBuses(const BusAddresses& addresses,
                                                     std::chrono::milliseconds budget) {
  const auto deadline = Clock::now() + budget;
  const std::string address = SessionAddress(addresses);
  if (address.empty()) return {};
  Bus session;
  const Answer greeted = Greet(session, address, deadline);
  // The session bus named here never answered: nothing in the toolkit may
  // ask it (nor the accessibility bus it would name). An address of a kind
  // no client knows fails at once, which is what a missing bus does.
  if (greeted == Answer::kSilent) {
    return {"the session bus does not answer; accessibility and desktop settings are left off",
            {{"DBUS_SESSION_BUS_ADDRESS", "disabled:"}, {"AT_SPI_BUS_ADDRESS", std::nullopt}}};
  }
  if (greeted != Answer::kAnswers) return {};
  if (AskAccessibility(session.get(), addresses.accessibility, deadline) == Answer::kSilent) {
    // Qt's bridge asks a bus given here instead of the session's, and finds
    // it missing at once.
    return {"the accessibility bus does not answer; accessibility is left off",
            {{"AT_SPI_BUS_ADDRESS", "disabled:"}}};
  }
  return {};
}

}  // namespace toolkit
