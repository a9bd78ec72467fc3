// Measuring helpers the benchmarks share.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/resource.h>

#include <algorithm>
#include <vector>

namespace bench {

// CPU seconds (user + system) of this process or of its waited-for children.
inline double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace bench
