#include <cstdio>

int main() {
  std::puts("Zentak is built, but its main window is not there yet.");
  return 0;
}
