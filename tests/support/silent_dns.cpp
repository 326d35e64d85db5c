// A name server that never answers: it takes DNS queries on ADDRESS, UDP
// port 53, reads them and replies to none, as a resolver behind a dead link
// looks to its clients. Prints "ready" once it listens; runs until killed.
//   silent_dns ADDRESS
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: silent_dns ADDRESS\n");
    return 2;
  }
  const int listener = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(53);
  if (listener < 0 || inet_pton(AF_INET, argv[1], &address.sin_addr) != 1 ||
      bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0) {
    std::perror("silent_dns");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  char query[512];
  while (true) {
    if (recv(listener, query, sizeof query, 0) < 0) return 1;
  }
}
