// The desktop program and its batch mode, started by the front end in its own place.
#include "app/Main.h"

int main(int argc, char** argv) {
  return velastrin::RunProgram(argc, argv);
}
