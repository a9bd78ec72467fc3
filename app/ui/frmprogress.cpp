#include "frmprogress.h"

#include "twips.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

FrmProgress::FrmProgress(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmprogress"));
    setWindowTitle(QStringLiteral("Quillmate"));

    lblcaption = new QLabel(this);
    lblcaption->setObjectName(QStringLiteral("lblcaption"));
    lblcaption->setTextFormat(Qt::PlainText);

    frmprogress = new QFrame(this);
    frmprogress->setObjectName(QStringLiteral("frmprogressframe"));
    frmprogress->setFrameShape(QFrame::StyledPanel);

    lblprogress = new QLabel(QStringLiteral("Progress"), frmprogress);
    lblprogress->setObjectName(QStringLiteral("lblprogress"));

    pbprogress = new QProgressBar(frmprogress);
    pbprogress->setObjectName(QStringLiteral("pbprogress"));
    pbprogress->setTextVisible(false);

    auto* frameLayout = new QHBoxLayout(frmprogress);
    frameLayout->addWidget(lblprogress);
    frameLayout->addWidget(pbprogress, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    cmdcancel = buttons->button(QDialogButtonBox::Cancel);
    cmdcancel->setObjectName(QStringLiteral("cmdcancel"));
    cmdcancel->setVisible(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &FrmProgress::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblcaption);
    layout->addWidget(frmprogress);
    layout->addStretch(1);
    layout->addWidget(buttons);

    const qreal dpi = logicalDpiX();
    resize(twips::toPixels(5400, dpi), twips::toPixels(1500, dpi));
}

void FrmProgress::DisplayCaption(const QString& value) {
    lblcaption->setText(value);
}

void FrmProgress::ShowProgressBar(bool value) {
    frmprogress->setVisible(value);
}

void FrmProgress::ProgressBarMax(qint32 value) {
    pbprogress->setMaximum(value);
}

void FrmProgress::ProgressBarMin(qint32 value) {
    pbprogress->setMinimum(value);
}

void FrmProgress::ProgressBarValue(qint32 value) {
    pbprogress->setValue(value);
}

void FrmProgress::ShowCancel(bool value) {
    cmdcancel->setVisible(value);
    cmdcancel->setEnabled(value);
}

void FrmProgress::Done() {
    m_done = true;
    QDialog::reject();
}

void FrmProgress::reject() {
    if (cmdcancel->isHidden() || m_done) {
        QDialog::reject();
        return;
    }
    if (cmdcancel->isEnabled()) {
        cmdcancel->setEnabled(false);
        emit cancelRequested();
    }
}

void FrmProgress::closeEvent(QCloseEvent* event) {
    if (!cmdcancel->isHidden() && !m_done) {
        event->ignore();
        reject();
        return;
    }
    QDialog::closeEvent(event);
}
