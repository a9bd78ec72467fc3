#include "roomleft.h"

#include "workspace/textrules.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <memory>

namespace ui {

namespace {

// A key that would type into a full box, which the box drops without a word.
class FullBoxKeys : public QObject {
public:
    FullBoxKeys(QLineEdit* edit, std::function<void()> refused)
        : QObject(edit), m_edit(edit), m_refused(std::move(refused)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_edit && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QString typed = key->text();
            if (!typed.isEmpty() && typed.at(0).isPrint() && !m_edit->hasSelectedText() &&
                m_edit->text().size() >= m_edit->maxLength())
                m_refused();
        }
        return false;
    }

private:
    QLineEdit* m_edit;
    std::function<void()> m_refused;
};

} // namespace

void showRoomLeft(QLineEdit* edit, const QString& field, std::function<void(const QString&)> say) {
    if (!edit)
        return;
    auto last = std::make_shared<QString>();
    const auto note = [edit, field, say, last] {
        const QString text = textrules::RoomLeftNote(field, edit->text().size(), edit->maxLength());
        // Room again is said once, so other messages are not wiped while typing.
        if (text.isEmpty() && last->isEmpty())
            return;
        *last = text;
        say(text);
    };
    QObject::connect(edit, &QLineEdit::textEdited, edit, note);
    edit->installEventFilter(new FullBoxKeys(edit, note));
}

} // namespace ui
