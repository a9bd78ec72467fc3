#include "printbook.h"

#include "fileio/findpath.h"
#include "fileio/savefile.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>

namespace printbook {

namespace {

const QString kAnchor = QStringLiteral("qmtopic");

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

// The space below the text that carries the page number, in device pixels.
qreal footerHeight(const QPagedPaintDevice& device) {
    return device.logicalDpiY() * 0.4;
}

QString bookHtml(const helpbook::Book& book, const QString& pictureFolder,
                 const std::vector<int>& pages) {
    rtf::HtmlLinks links;
    links.page = [&book](const QString& id) {
        const int t = book.find(id);
        return t >= 0 ? u'#' + kAnchor + QString::number(t) : QString();
    };
    // Pictures from their files; a name may hold folders ("\" or "/").
    links.picture = [&pictureFolder](const QString& name) {
        const QString path = fileio::FindPath(pictureFolder + u'/', name);
        return QFileInfo(path).isFile() ? QUrl::fromLocalFile(path).toString() : QString();
    };
    // A pop-up's text is its topic's, printed where the topic stands: links.popup stays unset.

    const auto pageOf = [&pages](int topic) {
        const int page =
            topic >= 0 && std::size_t(topic) < pages.size() ? pages[std::size_t(topic)] : 0;
        return page > 0 ? QString::number(page) : QStringLiteral("000");
    };
    QString html = QStringLiteral(
        "<html><head><style type=\"text/css\">body { font-family: Arial, sans-serif; "
        "font-size: 10pt; } h1 { font-size: 16pt; } p { margin-top: 0; margin-bottom: 0; } "
        "td.page { text-align: right; } table.rtf td { padding: 2pt; } </style></head><body>");
    html += u"<p style=\"margin-top: 200pt; font-size: 28pt; text-align: center\"><b>" +
            escaped(book.title) + u"</b></p>\n";

    // The table of contents: the contents tree, then the other topics.
    html += QStringLiteral("<h1 style=\"page-break-before: always\">Contents</h1>\n"
                           "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"1\">\n");
    const auto row = [&](int depth, const QString& title, int topic, bool bold) {
        QString text = escaped(title);
        if (bold)
            text = u"<b>" + text + u"</b>";
        // Indented by blanks: the text document ignores a cell's own padding.
        QString indent;
        for (int i = 1; i < depth; ++i)
            indent += QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;");
        html += u"<tr><td>" + indent + text + u"</td><td class=\"page\" width=\"40\">" +
                (topic >= 0 ? pageOf(topic) : QString()) + u"</td></tr>\n";
    };
    std::vector<bool> listed(book.topics.size(), false);
    for (const helpbook::ContentsEntry& e : book.contents) {
        row(e.depth, e.title, e.topic, e.topic < 0);
        if (e.topic >= 0)
            listed[std::size_t(e.topic)] = true;
    }
    bool others = false;
    for (int t : book.order) {
        if (listed[std::size_t(t)])
            continue;
        if (!others && !book.contents.empty())
            row(1, QStringLiteral("Other topics"), -1, true);
        others = true;
        row(book.contents.empty() ? 1 : 2, book.topics[std::size_t(t)].title, t, false);
    }
    html += QStringLiteral("</table>\n");

    for (int t : book.order) {
        const helpbook::Topic& topic = book.topics[std::size_t(t)];
        html += QStringLiteral("<h1 style=\"page-break-before: always\"><a name=\"%1%2\"></a>")
                    .arg(kAnchor, QString::number(t)) +
                escaped(topic.whatsThis ? topic.title : topic.heading) + u"</h1>\n";
        html += helpbook::TopicBody(topic, links);
    }
    html += QStringLiteral("</body></html>");
    return html;
}

// The first page of each topic, read from the document's layout.
std::vector<int> topicPages(const helpbook::Book& book, QTextDocument& document) {
    std::vector<int> pages(book.topics.size(), 0);
    const qreal height = document.pageSize().height();
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            for (const QString& name : fragment.charFormat().anchorNames()) {
                if (!name.startsWith(kAnchor))
                    continue;
                bool ok = false;
                const int t = name.mid(kAnchor.size()).toInt(&ok);
                if (ok && t >= 0 && std::size_t(t) < pages.size())
                    pages[std::size_t(t)] =
                        int(layout->blockBoundingRect(block).top() / height) + 1;
            }
            break; // the anchor opens the heading
        }
    }
    return pages;
}

void prepare(QTextDocument& document, QPagedPaintDevice& device) {
    document.documentLayout()->setPaintDevice(&device);
    document.setDocumentMargin(0);
    document.setPageSize(QSizeF(device.width(), device.height() - footerHeight(device)));
}

} // namespace

Manual LayOut(const helpbook::Book& book, const QString& pictureFolder, QPagedPaintDevice& device) {
    Manual manual;
    std::vector<int> pages;
    // The numbers take no more room than the placeholders, so the second
    // layout keeps every page where the first put it; a third is a safeguard.
    for (int pass = 0; pass < 3; ++pass) {
        manual.document = std::make_unique<QTextDocument>();
        prepare(*manual.document, device);
        manual.document->setHtml(bookHtml(book, pictureFolder, pages));
        const std::vector<int> found = topicPages(book, *manual.document);
        if (found == pages)
            break;
        pages = found;
    }
    manual.topicPage = pages;
    manual.pages = manual.document->pageCount();
    return manual;
}

void Print(const Manual& manual, QPagedPaintDevice& device) {
    QTextDocument& document = *manual.document;
    QPainter painter(&device);
    const QSizeF page = document.pageSize();
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    for (int i = 0; i < manual.pages; ++i) {
        if (i > 0)
            device.newPage();
        painter.save();
        painter.translate(0, -i * page.height());
        const QRectF view(0, i * page.height(), page.width(), page.height());
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        context.palette.setColor(QPalette::Text, Qt::black);
        document.documentLayout()->draw(&painter, context);
        painter.restore();
        if (i == 0)
            continue; // the title page carries no number
        painter.setFont(QFont(font, &device));
        const QRectF footer(0, page.height(), page.width(), footerHeight(device));
        painter.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom, QString::number(i + 1));
    }
}

QByteArray PdfBytes(const helpbook::Book& book, const QString& pictureFolder) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(book.title);
        writer.setCreator(QStringLiteral("Quillmate"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(20, 20, 20, 15), QPageLayout::Millimeter));
        writer.setResolution(300);
        const Manual manual = LayOut(book, pictureFolder, writer);
        Print(manual, writer);
    }
    buffer.close();
    return bytes;
}

void ExportPdf(dao::Database& db, const QString& projectPath, const QString& pdfPath) {
    const helpbook::Book book = helpbook::ReadBook(db, helpbook::BookTitle(db, projectPath));
    fileio::SaveBytes(pdfPath, PdfBytes(book, helpbook::PictureFolder(db, projectPath)));
}

} // namespace printbook
