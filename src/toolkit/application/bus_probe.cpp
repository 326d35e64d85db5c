#include "toolkit/application/bus_probe.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace toolkit {

namespace {

using Clock = std::chrono::steady_clock;

enum class Answer {
  kAnswers,  // it answered in time
  kRefuses,  // absent, refused or failed at once: nothing would wait on it
  kSilent,   // it did not answer in time: whatever asks it would wait
};

// A socket whose every wait ends at one deadline.
class Line {
 public:
  explicit Line(Clock::time_point deadline) : deadline_(deadline) {}
  ~Line() {
    if (fd_ >= 0) ::close(fd_);
  }
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  Answer Connect(const sockaddr_un& address, socklen_t length) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return Answer::kRefuses;
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
      return Answer::kAnswers;
    }
    // A listener whose queue is full takes no one: a client that blocks
    // waits for as long as it stays so.
    if (errno == EAGAIN) return Answer::kSilent;
    if (errno != EINPROGRESS) return Answer::kRefuses;
    if (!Wait(POLLOUT)) return Answer::kSilent;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
      return Answer::kRefuses;
    }
    return Answer::kAnswers;
  }

  Answer Send(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
      } else if (sent < 0 && errno == EAGAIN) {
        if (!Wait(POLLOUT)) return Answer::kSilent;
      } else if (sent < 0 && errno == EINTR) {
        continue;
      } else {
        return Answer::kRefuses;
      }
    }
    return Answer::kAnswers;
  }

  // Reads exactly `count` more bytes into `into`.
  Answer Receive(std::string& into, std::size_t count) {
    char buffer[512];
    while (count > 0) {
      const ssize_t got = ::recv(fd_, buffer, std::min(count, sizeof buffer), 0);
      if (got > 0) {
        into.append(buffer, static_cast<std::size_t>(got));
        count -= static_cast<std::size_t>(got);
      } else if (got < 0 && errno == EAGAIN) {
        if (!Wait(POLLIN)) return Answer::kSilent;
      } else if (got < 0 && errno == EINTR) {
        continue;
      } else {
        return Answer::kRefuses;  // closed, or broken
      }
    }
    return Answer::kAnswers;
  }

  // Reads one line of the authentication talk, up to "\r\n".
  Answer ReceiveLine(std::string& line) {
    line.clear();
    while (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) {
      if (line.size() > 4096) return Answer::kRefuses;
      if (const Answer answer = Receive(line, 1); answer != Answer::kAnswers) return answer;
    }
    return Answer::kAnswers;
  }

 private:
  bool Wait(short events) {
    while (true) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
      if (left.count() <= 0) return false;
      pollfd entry{fd_, events, 0};
      const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
      if (ready > 0) return true;
      if (ready < 0 && errno != EINTR) return false;
    }
  }

  Clock::time_point deadline_;
  int fd_ = -1;
};

// --- The few messages of the D-Bus protocol the probe needs -----------------

void Pad(std::string& message, std::size_t alignment) {
  while (message.size() % alignment != 0) message += '\0';
}

void PutU32(std::string& message, std::uint32_t value) {
  Pad(message, 4);
  for (int shift = 0; shift < 32; shift += 8) message += static_cast<char>((value >> shift) & 0xFF);
}

std::uint32_t GetU32(std::string_view message, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(message[at + static_cast<std::size_t>(i)]);
  }
  return value;
}

constexpr char kMethodCall = 1;
constexpr char kMethodReturn = 2;
constexpr char kError = 3;
constexpr char kNoAutoStart = 0x2;

// A method call without arguments, in little-endian order.
std::string MethodCall(std::uint32_t serial, std::string_view destination, std::string_view path,
                       std::string_view interface, std::string_view member) {
  std::string message{'l', kMethodCall, kNoAutoStart, 1};
  PutU32(message, 0);  // no body
  PutU32(message, serial);
  PutU32(message, 0);  // the length of the header fields, set below
  const auto field = [&message](char code, char type, std::string_view value) {
    Pad(message, 8);
    message += code;
    message += std::string{'\1', type, '\0'};
    PutU32(message, static_cast<std::uint32_t>(value.size()));
    message += value;
    message += '\0';
  };
  field(1, 'o', path);
  field(6, 's', destination);
  field(2, 's', interface);
  field(3, 's', member);
  const auto fields = static_cast<std::uint32_t>(message.size() - 16);
  for (int i = 0; i < 4; ++i)
    message[12 + static_cast<std::size_t>(i)] = static_cast<char>((fields >> (8 * i)) & 0xFF);
  Pad(message, 8);
  return message;
}

struct Reply {
  bool error = false;
  std::optional<std::string> text;  // the first argument, when it is a string
};

// Reads messages until the answer to `serial` (signals may come first).
Answer AwaitReply(Line& line, std::uint32_t serial, Reply& reply) {
  while (true) {
    std::string message;
    if (const Answer answer = line.Receive(message, 16); answer != Answer::kAnswers) return answer;
    if (message[0] != 'l') return Answer::kAnswers;  // it answered; its words are not read
    const std::uint32_t body = GetU32(message, 4);
    const std::uint32_t fields = GetU32(message, 12);
    const std::size_t body_at = 16 + (fields + 7) / 8 * 8;
    if (body_at + body > (1U << 20)) return Answer::kRefuses;
    if (const Answer answer = line.Receive(message, body_at + body - 16);
        answer != Answer::kAnswers) {
      return answer;
    }
    const char type = message[1];
    if (type != kMethodReturn && type != kError) continue;
    // The header fields: code, signature, value; only REPLY_SERIAL (5) and
    // SIGNATURE (8) matter here.
    std::optional<std::uint32_t> reply_serial;
    std::string signature;
    // A message that does not parse still is an answer: the bus spoke.
    const auto fits = [&message](std::size_t at, std::size_t count) {
      return at + count <= message.size();
    };
    for (std::size_t at = 16; at < 16 + fields;) {
      if (!fits(at, 3)) return Answer::kAnswers;
      const char code = message[at];
      const std::size_t signature_length = static_cast<unsigned char>(message[at + 1]);
      const char value_type = message[at + 2];
      at += 2 + signature_length + 1;
      if (value_type == 'u') {
        at = (at + 3) / 4 * 4;
        if (!fits(at, 4)) return Answer::kAnswers;
        if (code == 5) reply_serial = GetU32(message, at);
        at += 4;
      } else if (value_type == 's' || value_type == 'o') {
        at = (at + 3) / 4 * 4;
        if (!fits(at, 4)) return Answer::kAnswers;
        at += 4 + GetU32(message, at) + 1;
      } else if (value_type == 'g') {
        if (!fits(at, 1)) return Answer::kAnswers;
        const std::size_t length = static_cast<unsigned char>(message[at]);
        if (code == 8 && fits(at + 1, length)) signature = message.substr(at + 1, length);
        at += 1 + length + 1;
      } else {
        return Answer::kAnswers;  // a field this probe does not read
      }
      at = (at + 7) / 8 * 8;
    }
    if (reply_serial != serial) continue;
    reply.error = type == kError;
    if (!signature.empty() && signature[0] == 's' && fits(body_at, 4)) {
      const std::uint32_t length = GetU32(message, body_at);
      if (fits(body_at + 4, length)) reply.text = message.substr(body_at + 4, length);
    }
    return Answer::kAnswers;
  }
}

// --- Addresses ----------------------------------------------------------------

std::string Unescape(std::string_view value) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '%' && i + 2 < value.size()) {
      text +=
          static_cast<char>(std::strtol(std::string(value.substr(i + 1, 2)).c_str(), nullptr, 16));
      i += 2;
    } else {
      text += value[i];
    }
  }
  return text;
}

// The first Unix socket of an address list, if it has one.
std::optional<std::pair<sockaddr_un, socklen_t>> UnixSocket(std::string_view addresses) {
  while (!addresses.empty()) {
    const std::size_t end = addresses.find(';');
    std::string_view address = addresses.substr(0, end);
    addresses = end == std::string_view::npos ? std::string_view{} : addresses.substr(end + 1);
    if (address.substr(0, 5) != "unix:") continue;
    address.remove_prefix(5);
    while (!address.empty()) {
      const std::size_t comma = address.find(',');
      const std::string_view pair = address.substr(0, comma);
      address = comma == std::string_view::npos ? std::string_view{} : address.substr(comma + 1);
      const bool abstract = pair.substr(0, 9) == "abstract=";
      if (pair.substr(0, 5) != "path=" && !abstract) continue;
      const std::string path = Unescape(pair.substr(abstract ? 9 : 5));
      sockaddr_un socket_address{};
      socket_address.sun_family = AF_UNIX;
      const std::size_t offset = abstract ? 1 : 0;
      if (path.empty() || path.size() + offset >= sizeof socket_address.sun_path) break;
      std::memcpy(socket_address.sun_path + offset, path.data(), path.size());
      const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                                 path.size() + (abstract ? 0 : 1));
      return std::pair{socket_address, length};
    }
  }
  return std::nullopt;
}

// Connects to a bus, authenticates and says hello, as every client must
// before it can ask anything.
Answer Greet(Line& line, std::string_view address) {
  const auto socket_address = UnixSocket(address);
  if (!socket_address) return Answer::kRefuses;  // not one this probe can ask
  if (const Answer answer = line.Connect(socket_address->first, socket_address->second);
      answer != Answer::kAnswers) {
    return answer;
  }
  std::string uid;
  for (const char digit : std::to_string(::getuid())) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(digit));
    uid += hex;
  }
  if (const Answer answer = line.Send(std::string(1, '\0') + "AUTH EXTERNAL " + uid + "\r\n");
      answer != Answer::kAnswers) {
    return answer;
  }
  std::string said;
  if (const Answer answer = line.ReceiveLine(said); answer != Answer::kAnswers) return answer;
  if (!said.starts_with("OK ")) return Answer::kRefuses;
  if (const Answer answer =
          line.Send("BEGIN\r\n" + MethodCall(1, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                             "org.freedesktop.DBus", "Hello"));
      answer != Answer::kAnswers) {
    return answer;
  }
  Reply reply;
  if (const Answer answer = AwaitReply(line, 1, reply); answer != Answer::kAnswers) return answer;
  return reply.error ? Answer::kRefuses : Answer::kAnswers;
}

// Asks one method of a bus already greeted; `reply` holds its answer.
Answer Ask(Line& line, std::uint32_t serial, std::string_view destination, std::string_view path,
           std::string_view interface, std::string_view member, Reply& reply) {
  if (const Answer answer = line.Send(MethodCall(serial, destination, path, interface, member));
      answer != Answer::kAnswers) {
    return answer;
  }
  return AwaitReply(line, serial, reply);
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
Answer AskAccessibility(Line& session, const std::optional<std::string>& fixed,
                        Clock::time_point deadline) {
  std::string address;
  if (fixed && !fixed->empty()) {
    address = *fixed;
  } else {
    Reply reply;
    if (const Answer answer =
            Ask(session, 2, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", reply);
        answer != Answer::kAnswers) {
      return answer;
    }
    if (reply.error || !reply.text) return Answer::kRefuses;  // no accessibility here
    address = *reply.text;
  }
  Line bus(deadline);
  if (const Answer answer = Greet(bus, address); answer != Answer::kAnswers) return answer;
  Reply reply;
  return Ask(bus, 2, "org.a11y.atspi.Registry", "/org/a11y/atspi/registry",
             "org.freedesktop.DBus.Peer", "Ping", reply);
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
  Line session(deadline);
  const Answer greeted = Greet(session, address);
  // The session bus named here never answered: nothing in the toolkit may
  // ask it (nor the accessibility bus it would name). An address of a kind
  // no client knows fails at once, which is what a missing bus does.
  if (greeted == Answer::kSilent) {
    return {"the session bus does not answer; accessibility and desktop settings are left off",
            {{"DBUS_SESSION_BUS_ADDRESS", "disabled:"}, {"AT_SPI_BUS_ADDRESS", std::nullopt}}};
  }
  if (greeted != Answer::kAnswers) return {};
  if (AskAccessibility(session, addresses.accessibility, deadline) == Answer::kSilent) {
    // Qt's bridge asks a bus given here instead of the session's, and finds
    // it missing at once.
    return {"the accessibility bus does not answer; accessibility is left off",
            {{"AT_SPI_BUS_ADDRESS", "disabled:"}}};
  }
  return {};
}

}  // namespace toolkit
