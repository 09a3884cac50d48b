#include "cli/driver.h"

#include <cstdio>

int main(int argc, char** argv) {
    // Standard error is unbuffered by the C standard's intent, but the Windows runtime
    // buffers it when it goes to a file or pipe; together with the flush of standard
    // output before each message, this keeps both streams in the order of the run.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    const velto::Console console{stdout, stderr};
    return static_cast<int>(velto::run_velto(argc, argv, console));
}
