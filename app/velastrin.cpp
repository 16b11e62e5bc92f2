// The desktop program and its batch mode.
#include "app/Main.h"

int main(int argc, char** argv) {
  return velastrin::RunProgram(argc, argv);
}
