#include "commandline.h"
#include "ui/runwindow.h"

#include <csignal>

int main(int argc, char** argv) {
    // A write past the file-size limit then fails like a full disk, and the
    // file being written is left as it was, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    if (const auto status = runBatch(argc, argv))
        return *status;
    return runWindow(argc, argv);
}
