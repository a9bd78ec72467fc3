// Window Size: the help window's position and size, in the help viewer's
// units, as the Create tab's window-size box shows them.
#pragma once

#include "workspace/createsettings.h"

#include <QDialog>

class QSpinBox;

class FrmWindowSize : public QDialog {
    Q_OBJECT

public:
    explicit FrmWindowSize(const HelpWindowGeometry& geometry, QWidget* parent = nullptr);

    HelpWindowGeometry geometry() const;

    QSpinBox* txtwinleft = nullptr;
    QSpinBox* txtwintop = nullptr;
    QSpinBox* txtwinwidth = nullptr;
    QSpinBox* txtwinheight = nullptr;

private:
    void show(const HelpWindowGeometry& geometry);
};
