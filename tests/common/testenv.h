// Shared test set-up: a private registry folder for each test executable and
// reading and writing whole files (project files: project.h).
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

namespace testenv {

// Points QUILLMATE_REGISTRY at a fresh folder for the life of the object.
class RegistryFolder {
public:
    RegistryFolder() {
        Q_ASSERT(m_dir.isValid());
        qputenv("QUILLMATE_REGISTRY", QFile::encodeName(m_dir.path()));
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline bool writeAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

} // namespace testenv
