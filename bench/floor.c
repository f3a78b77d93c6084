/* The floor of the benchmark: the cost of starting a process at all. */
#include <stdio.h>

int main(void) {
  puts("floor");
  return 0;
}
