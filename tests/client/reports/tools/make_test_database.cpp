// Writes the generated database of the search and report tests: make_test_database FILE [RECORDS]
#include <cstdio>
#include <cstdlib>

#include "tests/client/reports/test_database.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_test_database FILE [RECORDS]\n");
    return 2;
  }
  AtomicWriteFile(argv[1], MakeTestDatabase(argc > 2 ? std::atoi(argv[2]) : 300));
  return 0;
}
