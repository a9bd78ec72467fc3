// The topic pages of HTML Help: their HTML, and a folder writer that rewrites
// only the pages that changed.
#pragma once

#include "fileio/savefile.h"
#include "rtf/helptext.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// A page in Windows-1252: `title` as its title, `heading` (when not empty) as
// its first heading, then each help text in turn, read with its RTF codes
// (rtf::HelpTextToHtml with `links`); a page with pop-ups carries their style
// and script. Characters Windows-1252 lacks become character references.
QByteArray TopicPage(const QString& title, const QString& heading, const QStringList& texts,
                     const rtf::HtmlLinks& links, rtf::LineEnds lineEnds);

// The body of such a page: the texts' HTML, one after the other.
QString TopicBody(const QStringList& texts, const rtf::HtmlLinks& links, rtf::LineEnds lineEnds);

// The heading of a general topic, in every output and the preview: its topic
// header, or its title when it has none.
QString TopicHeading(const QString& title, const QString& header);

// Writes pages into one folder (made when missing). A page whose file already
// holds the same bytes is left alone; a changed page is rewritten through a
// work file (fileio::SaveFile); a new page has nothing to lose and is
// written in place, and commit() syncs the pages, several at a time, and then
// the folder once; a page is saved only when both succeeded. A new page whose
// writing fails is removed. Throws fileio::FileWriteError naming the page and
// the reason.
class PageFolder {
public:
    explicit PageFolder(const QString& dir);

    void write(const QString& name, const QByteArray& bytes);
    void commit();

    int written() const { return m_written; }

private:
    QString m_dir;
    int m_written = 0;
    fileio::FolderSync m_sync;
};
