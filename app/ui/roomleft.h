// Text boxes with a length limit say how much room is left as the limit
// nears, and that they are full when a key is refused there.
#pragma once

#include <QString>
#include <functional>

class QLineEdit;

namespace ui {

// Watches `edit` (its maxLength is the limit); `say` gets each note
// (textrules::RoomLeftNote) and an empty text when there is room again.
void showRoomLeft(QLineEdit* edit, const QString& field, std::function<void(const QString&)> say);

} // namespace ui
