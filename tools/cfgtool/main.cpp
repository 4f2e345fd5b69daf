// cfgtool: packs and unpacks installConfig.dat files.
#include <cstdio>

int main() {
  std::fprintf(stderr, "cfgtool: not yet built\n");
  return 2;
}
