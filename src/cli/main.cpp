#include "Commands.h"
#include "common/CheckedOutput.h"

#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace {

// A standard descriptor that is closed would be handed to the next file opened (the store,
// a saved file) and the program's output would land in it. Each closed one is given
// /dev/null instead; standard output read-only, so that writing to it still fails and
// the failure is reported.
void KeepStandardDescriptorsTaken() {
    const int modes[] = {O_RDONLY, O_RDONLY, O_WRONLY};
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) {
            continue;
        }
        const int opened = ::open("/dev/null", modes[fd]);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    KeepStandardDescriptorsTaken();
    std::ios::sync_with_stdio(false);
    glanmail::CheckedOutput standardOutput(STDOUT_FILENO);
    std::ostream out(&standardOutput);
    const glanmail::cli::Args args(argv + 1, argv + argc);
    return glanmail::cli::RunCli(args, out, std::cerr);
}
