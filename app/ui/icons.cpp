#include "icons.h"

#include <QCoreApplication>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace ui {

namespace {

// Drawn once per run; emptied before the application goes, while pixmaps may still be freed.
QHash<QString, QIcon>& cache() {
    static QHash<QString, QIcon> icons;
    return icons;
}

void clearCache() {
    cache().clear();
}

QIcon render(const QString& name) {
    QSvgRenderer renderer(QStringLiteral(":/icons/") + name + QStringLiteral(".svg"));
    if (!renderer.isValid())
        return QIcon();
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        for (int ratio : {1, 2}) {
            QPixmap pixmap(size * ratio, size * ratio);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            renderer.render(&painter);
            painter.end();
            pixmap.setDevicePixelRatio(ratio);
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}

} // namespace

QIcon picture(const QString& name) {
    QHash<QString, QIcon>& icons = cache();
    const auto found = icons.constFind(name);
    if (found != icons.constEnd())
        return *found;
    if (icons.isEmpty())
        qAddPostRoutine(clearCache);
    const QIcon icon = render(name);
    icons.insert(name, icon);
    return icon;
}

QIcon themedPicture(const char* themeName, const QString& name) {
    const QString theme = QLatin1String(themeName);
    return QIcon::hasThemeIcon(theme) ? QIcon::fromTheme(theme) : picture(name);
}

} // namespace ui
