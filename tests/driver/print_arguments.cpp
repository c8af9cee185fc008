// Test helper: prints each argument it receives in brackets, one per line,
// and exits with status 3 so that the status can be checked too.
#include <cstdio>

int main(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) printf("[%s]\n", argv[i]);
  return 3;
}
