#include "frmwindowsize.h"

#include "ui/whatsthistexts.h"
#include "workspace/options.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

FrmWindowSize::FrmWindowSize(const HelpWindowGeometry& geometry, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmwindowsize"));
    setWindowTitle(tr("Window Size"));
    auto* form = new QFormLayout;
    const auto box = [&](const char* name, const QString& label, int minimum) {
        auto* spin = new QSpinBox(this);
        spin->setObjectName(QLatin1String(name));
        spin->setRange(minimum, options::kMaxWindowUnit);
        form->addRow(label, spin);
        return spin;
    };
    txtwinleft = box("txtwinleft", QStringLiteral("&Left:"), 0);
    txtwintop = box("txtwintop", QStringLiteral("&Top:"), 0);
    txtwinwidth = box("txtwinwidth", QStringLiteral("&Width:"), 1);
    txtwinheight = box("txtwinheight", QStringLiteral("&Height:"), 1);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    buttons->setObjectName(QStringLiteral("cmdwinsizebuttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            [this] { show(HelpWindowGeometry{}); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    show(geometry);
    ui::applyWhatsThisTexts(this);
}

void FrmWindowSize::show(const HelpWindowGeometry& g) {
    txtwinleft->setValue(g.left.toInt());
    txtwintop->setValue(g.top.toInt());
    txtwinwidth->setValue(g.width.toInt());
    txtwinheight->setValue(g.height.toInt());
}

HelpWindowGeometry FrmWindowSize::geometry() const {
    HelpWindowGeometry g;
    g.left = QString::number(txtwinleft->value());
    g.top = QString::number(txtwintop->value());
    g.width = QString::number(txtwinwidth->value());
    g.height = QString::number(txtwinheight->value());
    return g;
}
