// The HTML Help sources: one page per topic, the contents (.hhc) and index
// (.hhk) files, the context-ID header and VB module, the text pop-up file of
// the What's This texts, and the help project file (.hhp) that names them all.
#pragma once

#include "generation/createreport.h"
#include "generation/htmlpages.h"
#include "workspace/createsettings.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace dao {
class Database;
}

// Where the HTML Help outputs go. The help project file is used as given;
// the other names, when relative, are taken from the help project's folder,
// as the compiler reads them from the project file.
struct HtmlHelpPaths {
    QString project;    // .hhp
    QString compiled;   // .chm
    QString contents;   // .hhc
    QString index;      // .hhk
    QString header;     // <project>.h beside the project: #define TOPIC_ID number
    QString vbModule;   // <project>.bas beside the project: Public Const TOPIC_ID As Long = number
    QString pagesDir;   // <project>_html beside the project
    QString textPopups; // cshelp.txt beside the project: ".topic number" and the What's This text
    QString pagesFolderName() const; // the last part of pagesDir
};
HtmlHelpPaths HtmlHelpPathsFor(const CreateSettings& settings);

// The page file name of a topic ID. Letters, digits, "_", "-" and "." (not
// first) stay; every other character becomes "~" and its four hex digits, so
// that different IDs never share a page and every name is safe in a file
// system, a URL and the project file.
QString HtmlHelpPageName(const QString& topicId);

// The pages' pictures: found in a folder (a name may have folders in it,
// "\" or "/"), copied into the pages' folder once each, named apart from the
// pages.
class PagePictures {
public:
    PagePictures(const QString& folder, PageFolder& pages) : m_folder(folder), m_pages(pages) {}

    // The picture's address from a page, empty when there is no such file.
    QString address(const QString& name);
    // The address of a picture stored in a help text (PNG, JPEG or a
    // device-independent bitmap, written as a file of its own, the same bytes
    // once); empty for a kind a page cannot show.
    QString address(const rtf::EmbeddedPicture& picture);

    QStringList files; // in the pages' folder, in the order first used

private:
    QString m_folder;
    PageFolder& m_pages;
    QHash<QString, QString> m_address;
};

// Writes every HTML Help source from the project, then, when asked, the
// application project's HelpFile line (naming the compiled file); `report`
// lists the files written. An empty help project, help, contents or index
// file name, a missing application project or a map number that is no whole
// number from 0 to 32767 (left out) is reported as a failure. A project the
// files cannot express (a map number on a topic ID that is no program name,
// one ID with two numbers, one number on two IDs, a contents or index text
// Windows-1252 cannot hold) is refused with std::runtime_error, one sentence
// per problem, before anything is written; file failures throw
// fileio::FileWriteError naming the file.
void CreateHTMLHelp(const CreateSettings& settings, dao::Database& db, CreateReport& report);
