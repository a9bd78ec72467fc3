// Help projects for the compiler tests: a project file and topic files in a
// folder, topics written the way Quillmate writes them.
#pragma once

#include "common/testenv.h"
#include "compiler.h"
#include "hlpreader.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace hcfixture {

// A footnote as Quillmate writes it: the mark, the footnote group with the
// mark again and the value, then `closing` ("}}}" for topics, "}}" for What's
// This entries, which leave the footnote group open).
inline QByteArray footnote(char mark, const QByteArray& value, const char* closing = "}}}") {
    return QByteArray(1, mark) +
           "{\\footnote \\pard\\plain \\s15\\widctlpar{\\adjustright \\fs20\\cgrid "
           "{\\cs16\\super " +
           QByteArray(1, mark) + "}{ " + value + closing + "\r\n";
}

inline const QByteArray kRtfHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fswiss "
    "Arial;}{\\f2\\fswiss Arial;}{\\f3\\fswiss Arial;}}{\\colortb\\red0\\green0\\blue0}\r\n";

// One general topic as Quillmate writes it; `text` is RTF already.
inline QByteArray topic(const QByteArray& id, const QByteArray& title, const QByteArray& text,
                        const QByteArray& keywords = {}, const QByteArray& browse = {}) {
    QByteArray r = "{\\cs16\\b\\f1\\fs24\\super\r\n" + footnote('#', id) + footnote('$', title);
    if (!browse.isEmpty())
        r += footnote('+', browse);
    if (!keywords.isEmpty())
        r += footnote('K', keywords);
    return r + "}\r\n{\\b\\f1\\fs24 " + title + "\\par \\par }\r\n{\\f1\\fs20 " + text +
           "\r\n\\page\r\n\r\n";
}

inline QByteArray project(const QByteArray& options, const QByteArray& map = {},
                          const QByteArray& rtf = "help.rtf") {
    return "[OPTIONS]\r\n" + options + "HLP=help.hlp\r\n \r\n[FILES]\r\n" + rtf +
           "\r\n \r\n[MAP]\r\n" + map +
           " \r\n[WINDOWS]\r\nmain=\"\",(240,98,769,547),20740,(r14876671),(r12632256),f3\r\n \r\n"
           "[CONFIG]\r\nBrowseButtons()\r\n";
}

struct Compiled {
    hc::CompileResult result;
    hc::Diagnostics diagnostics;
    hc::HelpFileRead file;
    QString error; // the reader's complaint
};

// Writes help.hpj and help.rtf into `folder`, compiles and reads the result.
inline Compiled compile(const QString& folder, const QByteArray& hpj, const QByteArray& rtf) {
    Compiled c;
    testenv::writeAll(folder + QStringLiteral("/help.hpj"), hpj);
    if (!rtf.isNull())
        testenv::writeAll(folder + QStringLiteral("/help.rtf"), rtf);
    c.result = hc::Compile(folder + QStringLiteral("/help.hpj"), c.diagnostics, 1000000000);
    if (c.result.written) {
        const QByteArray bytes = testenv::readAll(c.result.helpFile);
        try {
            c.file = hc::ReadHelpFile(bytes);
        } catch (const std::exception& e) {
            c.error = QString::fromLocal8Bit(e.what());
        }
    }
    return c;
}

} // namespace hcfixture
