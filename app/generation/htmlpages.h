// The topic pages of HTML Help: their HTML, and a folder writer that rewrites
// only the pages that changed, each through a work file.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// How the line ends stored in a help text read: general topics keep their
// paragraphs; What's This texts run on, as in the RTF topic file.
enum class TextLineEnds { Paragraphs, AsSpace };

// A page in Windows-1252: `title` as its title, `heading` (when not empty) as
// its first heading, then each text in turn. Help texts may carry RTF codes;
// a jump or popup to a context string becomes a link to linkTarget's answer
// (none when it answers with nothing). Characters Windows-1252 lacks become
// character references.
QByteArray TopicPage(const QString& title, const QString& heading, const QStringList& texts,
                     const std::function<QString(const QString&)>& linkTarget,
                     TextLineEnds lineEnds);

// Writes pages into one folder (made when missing). A page whose file already
// holds the same bytes is left alone; a new page is written in place; a
// changed page goes to a work file beside it. commit() syncs the file system
// once, then renames the work files over their pages; without it (a throw on
// the way) the work files are removed and the old pages stay as they were.
// Throws GenerationError naming the page and the reason.
class PageFolder {
public:
    explicit PageFolder(const QString& dir);
    ~PageFolder();
    PageFolder(const PageFolder&) = delete;
    PageFolder& operator=(const PageFolder&) = delete;

    void write(const QString& name, const QByteArray& bytes);
    void commit();

private:
    struct Pending {
        QString work, target;
    };
    QString m_dir;
    std::vector<Pending> m_pending;
    bool m_committed = false;
};
