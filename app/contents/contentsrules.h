// Rules of the contents tree editor that need no window: node keys, levels,
// the run-wide sequence counter and the drag-scroll bands.
#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

namespace contents {

// Image numbers of the tree's nodes, stored as the Type of a contents row.
enum NodeImage : int { ImageRootAdded = 1, ImageTopic = 2, ImageHeading = 3 };

// The longest key and title a contents row can hold.
constexpr int kMaxKeyLength = 50;
constexpr int kMaxTitleLength = 50;

// The base of a new key: the topic-ID text when it is non-empty or Topic is
// chosen, otherwise the title (a heading typed without a topic ID).
QString NewNodeKeyBase(const QString& topicIdText, const QString& title, bool topicChosen);

// Cuts the sequence number off a key: everything from the last full stop on.
// The argument holds the shortened key afterwards too.
QString StripNodeIndex(QString& strnodekey);

// What is worth knowing about an entry's title before it is written as it
// is (an "=", where a contents tab may cut it); empty when nothing.
QString TitleWarning(const QString& title);

// How many backslashes the text holds.
qint16 CountNodeLevels(const QString& strnodepath);

// The run-wide sequence counter of new keys ("base.n").
class NodeKeySequence {
public:
    // On first use the counter starts at the number of nodes in the tree; each
    // new key takes the next number. A number whose key is already in use
    // (keys are kept from earlier runs) is skipped, so keys stay unique.
    QString NextKey(const QString& base, int nodeCount,
                    const std::function<bool(const QString&)>& keyInUse);
    int value() const { return m_counter; }

private:
    int m_counter = 0;
};

// Twips per screen pixel at the given logical dpi (15 at 96 dpi).
double TwipsPerPixel(double logicalDpi);

// The drag-scroll direction for a pointer `yTwips` below the tree's top edge:
// -1 (up) inside the top 100 twips, +1 (down) inside the bottom 200 twips,
// 0 (timer off) elsewhere.
int DragScrollDirection(double yTwips, double heightTwips);

} // namespace contents
