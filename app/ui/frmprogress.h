// frmprogress: a small window reporting how far a long file operation has
// come, a status line and a progress bar, driven entirely by its caller.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QProgressBar;

class FrmProgress : public QDialog {
    Q_OBJECT

public:
    explicit FrmProgress(QWidget* parent = nullptr);

    // Each setter stores its value straight into its control; nothing is
    // checked or clamped (the caller sets the range before the first value).
    void DisplayCaption(const QString& value);
    void ShowProgressBar(bool value);
    void ProgressBarMax(qint32 value);
    void ProgressBarMin(qint32 value);
    void ProgressBarValue(qint32 value);

    QLabel* lblcaption = nullptr;
    // The frame holding the bar and its label (objectName "frmprogressframe",
    // as the window itself is "frmprogress").
    QFrame* frmprogress = nullptr;
    QProgressBar* pbprogress = nullptr;
    QLabel* lblprogress = nullptr;
};
