// vesk: program PIC microcontrollers through a VESK programmer from the command line.
#include "cli/Commands.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    return vesk::cli::RunVesk(argc, argv, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
