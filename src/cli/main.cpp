#include "cli/driver.h"

#include <cstdio>

int main(int argc, char** argv) {
    const velto::Console console{stdout, stderr};
    return static_cast<int>(velto::run_velto(argc, argv, console));
}
