#include "Commands.h"

#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const glanmail::cli::Args args(argv + 1, argv + argc);
    const int status = glanmail::cli::RunCli(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
