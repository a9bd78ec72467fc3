#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::printf("Quillmate %s\n", QM_VERSION);
    return 0;
}
