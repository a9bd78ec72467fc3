#include "contentsrules.h"

#include <limits>

namespace contents {

QString NewNodeKeyBase(const QString& topicIdText, const QString& title, bool topicChosen) {
    return (!topicIdText.isEmpty() || topicChosen) ? topicIdText : title;
}

QString StripNodeIndex(QString& strnodekey) {
    const qsizetype stop = strnodekey.lastIndexOf(QLatin1Char('.'));
    if (stop >= 0)
        strnodekey.truncate(stop);
    return strnodekey;
}

QString TitleWarning(const QString& title) {
    if (!title.contains(u'='))
        return {};
    return u"The contents entry \"" + title +
           QStringLiteral("\" holds \"=\": a help viewer's contents tab may cut its title there.");
}

qint16 CountNodeLevels(const QString& strnodepath) {
    const qsizetype count = strnodepath.count(QLatin1Char('\\'));
    return static_cast<qint16>(qMin<qsizetype>(count, std::numeric_limits<qint16>::max()));
}

QString NodeKeySequence::NextKey(const QString& base, int nodeCount,
                                 const std::function<bool(const QString&)>& keyInUse) {
    if (m_counter == 0)
        m_counter = nodeCount;
    QString key;
    do {
        ++m_counter;
        key = base + QLatin1Char('.') + QString::number(m_counter);
    } while (keyInUse && keyInUse(key));
    return key;
}

double TwipsPerPixel(double logicalDpi) {
    return logicalDpi > 0 ? 1440.0 / logicalDpi : 15.0;
}

int DragScrollDirection(double yTwips, double heightTwips) {
    if (yTwips > 0 && yTwips < 100)
        return -1;
    if (yTwips < heightTwips && yTwips > heightTwips - 200)
        return 1;
    return 0;
}

} // namespace contents
