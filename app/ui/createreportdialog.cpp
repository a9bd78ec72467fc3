#include "createreportdialog.h"

#include "generation/createreport.h"
#include "resources/stringtable.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

CreateReportDialog::CreateReportDialog(const CreateReport& report, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmcreatereport"));
    setWindowTitle(LoadResString(str::caption::ProgramName));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgreport"));
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()
                        ->standardIcon(report.ok() ? QStyle::SP_MessageBoxInformation
                                                   : QStyle::SP_MessageBoxWarning,
                                       nullptr, this)
                        .pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);

    const QString text = DescribeCreateReport(report);
    txtreport = new QPlainTextEdit(this);
    txtreport->setObjectName(QStringLiteral("txtreport"));
    txtreport->setReadOnly(true);
    txtreport->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtreport->setPlainText(text);

    auto* buttons = new QDialogButtonBox(this);
    cmdcopy = buttons->addButton(tr("&Copy"), QDialogButtonBox::ActionRole);
    cmdcopy->setObjectName(QStringLiteral("cmdcopy"));
    cmdclose = buttons->addButton(QDialogButtonBox::Close);
    cmdclose->setObjectName(QStringLiteral("cmdclose"));
    cmdclose->setDefault(true);
    connect(cmdcopy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(this->text()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* body = new QHBoxLayout;
    body->addWidget(icon);
    body->addWidget(txtreport, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);

    // As large as the text asks, within four fifths of the screen; the rest
    // scrolls.
    const QFontMetrics metrics(txtreport->font());
    int widest = 0;
    const QStringList lines = text.split(u'\n');
    for (const QString& line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int chrome = 4 * layout->contentsMargins().left() + iconSize +
                       style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16;
    const int width = std::clamp(widest + chrome, 60 * metrics.averageCharWidth(),
                                 std::max(room.width() * 4 / 5, 200));
    const int height =
        std::clamp(int(lines.size() + 2) * metrics.lineSpacing() + buttons->sizeHint().height() +
                       3 * layout->contentsMargins().top(),
                   8 * metrics.lineSpacing(), std::max(room.height() * 4 / 5, 150));
    resize(width, height);
    cmdclose->setFocus(); // Enter and Escape both close; the text is a click away
}

CreateReportDialog* CreateReportDialog::showReport(const CreateReport& report, QWidget* parent) {
    auto* dialog = new CreateReportDialog(report, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

QString CreateReportDialog::text() const {
    return txtreport->toPlainText();
}
