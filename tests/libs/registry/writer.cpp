// Test helper: writes to the current user's hive from its own process.
//   tst_registry_writer add PREFIX COUNT GOFILE
//       waits for GOFILE, then writes COUNT values PREFIX<n> = "data of PREFIX<n>"
//       under Concurrent, one write per call; exits 1 if any write failed.
//   tst_registry_writer churn ROUND
//       writes Churn\k<n> default values of 256 KiB, one letter repeated,
//       printing n after each write, until it is killed.
//   tst_registry_writer set NAME BYTES     writes Shared\NAME, BYTES letters
//   tst_registry_writer get NAME           prints Shared\NAME
#include "winreg/winreg.h"

#include <QByteArray>
#include <QFile>
#include <QThread>

#include <cstdio>
#include <cstdlib>

using namespace winreg;

namespace {

int add(const char* prefix, int count, const char* goFile) {
    for (int waited = 0; !QFile::exists(QFile::decodeName(goFile)); waited += 5) {
        if (waited > 20000)
            return 2;
        QThread::msleep(5);
    }
    HKEY key = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Concurrent", 0, "", 0, 0x2003F, nullptr, &key,
                        nullptr) != 0)
        return 1;
    int failures = 0;
    for (int n = 0; n < count; ++n) {
        const QByteArray name = prefix + QByteArray::number(n);
        const QByteArray data = "data of " + name + '\0';
        const LONG status = RegSetValueExA(key, name.constData(), 0, REG_SZ,
                                           reinterpret_cast<const BYTE*>(data.constData()),
                                           static_cast<DWORD>(data.size()));
        if (status != ERROR_SUCCESS) {
            std::fprintf(stderr, "%s: status %d\n", name.constData(), status);
            ++failures;
        }
    }
    RegCloseKey(key);
    return failures ? 1 : 0;
}

[[noreturn]] void churn(int round) {
    for (int n = 0;; ++n) {
        const QByteArray path = "Churn\\k" + QByteArray::number(n);
        const QByteArray data(256 * 1024, static_cast<char>('a' + (n + round) % 26));
        if (RegSetValueA(HKEY_CURRENT_USER, path.constData(), REG_SZ, data.constData(), 0) ==
            ERROR_SUCCESS) {
            std::printf("%d\n", n);
            std::fflush(stdout);
        }
    }
}

int set(const char* name, int bytes) {
    HKEY key = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Shared", 0, "", 0, 0x2003F, nullptr, &key, nullptr) !=
        0)
        return 1;
    const QByteArray data = QByteArray(bytes, 'w') + '\0';
    const LONG status =
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.constData()),
                       static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : 1;
}

int get(const char* name) {
    HKEY key = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Shared", 0, 0x2003F, &key) != 0)
        return 1;
    char data[256];
    DWORD size = sizeof data;
    const LONG status =
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return 1;
    std::printf("%s", data);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 5 && QByteArray(argv[1]) == "add")
        return add(argv[2], std::atoi(argv[3]), argv[4]);
    if (argc == 3 && QByteArray(argv[1]) == "churn")
        churn(std::atoi(argv[2]));
    if (argc == 4 && QByteArray(argv[1]) == "set")
        return set(argv[2], std::atoi(argv[3]));
    if (argc == 3 && QByteArray(argv[1]) == "get")
        return get(argv[2]);
    std::fprintf(stderr, "usage: tst_registry_writer add PREFIX COUNT GOFILE | churn ROUND"
                         " | set NAME BYTES | get NAME\n");
    return 2;
}
