#include <csignal>
#include <cstring>
#include <iostream>
#include <new>

#include <unistd.h>

#include "cli/cli.h"
#include "cli/output.h"

int main(int argc, char** argv) {
    // A closed pipe is a write error like any other (EPIPE), reported and ended with exit 1,
    // not a silent death by signal.
    std::signal(SIGPIPE, SIG_IGN);
    orq::cli::TDescriptorOutput buffer(STDOUT_FILENO);
    std::ostream out(&buffer);
    int status = orq::cli::kFailure;
    try {
        std::vector<std::string> words(argv + 1, argv + argc);
        status = orq::cli::Main(words, out, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << "Out of memory.\n"; // copying the words: Main catches everything else
    }
    out.flush();
    if (const int error = buffer.WriteError(); error != 0) {
        std::cerr << "orq-cli: cannot write the output: " << std::strerror(error) << "\n";
        if (status == orq::cli::kOk) status = orq::cli::kFailure;
    }
    return status;
}
