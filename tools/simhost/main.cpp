// simhost: creates, prepares and inspects simulated machines.
#include <cstdio>

int main() {
  std::fprintf(stderr, "simhost: not yet built\n");
  return 2;
}
