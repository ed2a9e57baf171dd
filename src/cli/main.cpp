#include "cli/cli.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    return orq::cli::Main(words, std::cout, std::cerr);
}
