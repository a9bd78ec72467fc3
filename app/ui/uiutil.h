// Small helpers shared by the windows.
#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QObject>
#include <QPlainTextEdit>
#include <QWidget>
#include <functional>

namespace ui {

// Shows the wait cursor for the life of the object, whatever ends the command.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// A check box value as the project stores it: 0 cleared, 1 checked, 2 grayed.
inline int checkValue(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

inline void setCheckValue(QCheckBox* box, int value) {
    if (value == 2)
        box->setTristate(true);
    box->setCheckState(value == 1   ? Qt::Checked
                       : value == 2 ? Qt::PartiallyChecked
                                    : Qt::Unchecked);
}

// Multi-line help texts are kept in the project with Windows line ends (CR LF),
// which the topic file turns into paragraph marks; the box shows plain lines.
inline QString storedText(const QPlainTextEdit* box) {
    return box->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

inline void showStoredText(QPlainTextEdit* box, QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box->setPlainText(text);
}

// Runs `handler` whenever `widget` receives (FocusIn) or loses (FocusOut) the
// focus, for as long as `owner` lives (the handler's object: a window's
// widgets may still pass the focus around while the window is taken down).
inline void onFocusEvent(QWidget* widget, QEvent::Type type, QObject* owner,
                         std::function<void()> handler) {
    class Filter : public QObject {
    public:
        Filter(QObject* parent, QEvent::Type t, std::function<void()> h)
            : QObject(parent), m_type(t), m_handler(std::move(h)) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == m_type)
                m_handler();
            return false;
        }

    private:
        QEvent::Type m_type;
        std::function<void()> m_handler;
    };
    widget->installEventFilter(new Filter(owner, type, std::move(handler)));
}

inline void onFocusIn(QWidget* w, QObject* owner, std::function<void()> h) {
    onFocusEvent(w, QEvent::FocusIn, owner, std::move(h));
}
inline void onFocusOut(QWidget* w, QObject* owner, std::function<void()> h) {
    onFocusEvent(w, QEvent::FocusOut, owner, std::move(h));
}

} // namespace ui
