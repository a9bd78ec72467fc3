// frmprogress: a small window reporting how far a long file operation has
// come, a status line and a progress bar, driven entirely by its caller; a
// Cancel button when the operation can be stopped.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

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
    // With Cancel shown, Cancel, Escape and the close box ask the caller to
    // stop (cancelRequested) and the window stays until the caller closes it
    // with Done(); the button is disabled once pressed.
    void ShowCancel(bool value);
    void Done();

    QLabel* lblcaption = nullptr;
    // The frame holding the bar and its label (objectName "frmprogressframe",
    // as the window itself is "frmprogress").
    QFrame* frmprogress = nullptr;
    QProgressBar* pbprogress = nullptr;
    QLabel* lblprogress = nullptr;
    QPushButton* cmdcancel = nullptr;

signals:
    void cancelRequested();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_done = false;
};
