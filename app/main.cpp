#include "ui/runwindow.h"
#include "workspace/batch.h"

int main(int argc, char** argv) {
    if (const auto status = runBatch(argc, argv))
        return *status;
    return runWindow(argc, argv);
}
