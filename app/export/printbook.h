// The printed manual: every topic in contents order (those the contents do
// not name after them), each on a new page under its heading, after a
// title page and a table of contents with page numbers; pictures and tables
// as the help text has them. One QTextDocument made from the same page HTML
// as the other outputs, printed page by page with its page number below.
#pragma once

#include "export/helpbook.h"

#include <QByteArray>
#include <QString>
#include <memory>

class QPagedPaintDevice;
class QTextDocument;

namespace dao {
class Database;
}

namespace printbook {

struct Manual {
    std::unique_ptr<QTextDocument> document;
    int pages = 0;
    std::vector<int> topicPage; // per topic (Book index): its first page, 1-based
};

// Lays `book` out for `device` (its paintable area less a line for the page
// number). `pictureFolder` is where the texts' pictures are looked for.
Manual LayOut(const helpbook::Book& book, const QString& pictureFolder, QPagedPaintDevice& device);

// Prints every page of `manual` on `device` (as laid out for it).
void Print(const Manual& manual, QPagedPaintDevice& device);

// The manual as PDF bytes (A4).
QByteArray PdfBytes(const helpbook::Book& book, const QString& pictureFolder);

// Reads the project and writes its manual to `pdfPath` through a work file
// (fileio::SaveBytes). Throws dao::EngineError and fileio::FileWriteError.
// Needs a QGuiApplication.
void ExportPdf(dao::Database& db, const QString& projectPath, const QString& pdfPath);

} // namespace printbook
