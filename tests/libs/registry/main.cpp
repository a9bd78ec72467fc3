// Runs the registry tests: the functions over hive files, then the component.
#include <QCoreApplication>
#include <QtTest>

int runWinregTests(int argc, char** argv);
int runRegistryFunctionsTests(int argc, char** argv);

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int failed = runWinregTests(argc, argv);
    failed += runRegistryFunctionsTests(argc, argv);
    return failed;
}
