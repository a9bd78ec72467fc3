#include "dialogs.h"

#include <QMutex>
#include <cstdio>
#include <utility>

namespace shell {

namespace {
QMutex g_mutex;
MessageHandler g_message;
FileDialogHandler g_fileDialog;
} // namespace

int MsgBox(const QString& text, int flags, const QString& title) {
    MessageHandler handler;
    {
        QMutexLocker lock(&g_mutex);
        handler = g_message;
    }
    if (handler)
        return handler(MessageRequest{text, flags, title});
    std::fprintf(stderr, "%s\n", qPrintable(text));
    return vbOK;
}

int Choose(const QString& text, const QStringList& buttons, int flags, const QString& title) {
    MessageHandler handler;
    {
        QMutexLocker lock(&g_mutex);
        handler = g_message;
    }
    const int last = int(buttons.size()) - 1;
    if (!handler) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return 0;
    }
    const int answer = handler(MessageRequest{text, flags, title, buttons});
    return answer >= 1 && answer <= last + 1 ? answer - 1 : last;
}

MessageHandler setMessageHandler(MessageHandler handler) {
    QMutexLocker lock(&g_mutex);
    return std::exchange(g_message, std::move(handler));
}

QString askFileName(const FileDialogRequest& request) {
    FileDialogHandler handler;
    {
        QMutexLocker lock(&g_mutex);
        handler = g_fileDialog;
    }
    return handler ? handler(request) : QString();
}

FileDialogHandler setFileDialogHandler(FileDialogHandler handler) {
    QMutexLocker lock(&g_mutex);
    return std::exchange(g_fileDialog, std::move(handler));
}

QString qtFilterFromPipeFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        const QString patterns =
            QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (") + patterns + QLatin1Char(')');
        out << description;
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace shell
