#include "helpwindow.h"

#include "resources/stringtable.h"

QString HpjWindowPlacement(const HelpWindowGeometry& w) {
    const QString fixed = LoadResString(str::helpproject::MainWindowPlacement);
    if (w.isDefault())
        return fixed;
    // ",(x,y,width,height),rest": only the numbers in the first brackets change.
    const qsizetype close = fixed.indexOf(u')');
    return QStringLiteral(",(%1,%2,%3,%4").arg(w.left, w.top, w.width, w.height) + fixed.mid(close);
}

QString HhpWindowDefinition(const HelpWindowGeometry& w, const QString& title,
                            const QString& contents, const QString& index,
                            const QString& defaultPage) {
    const int left = w.left.toInt(), top = w.top.toInt();
    const QString rect =
        QStringLiteral("[%1,%2,%3,%4]")
            .arg(QString::number(left), QString::number(top),
                 QString::number(left + w.width.toInt()), QString::number(top + w.height.toInt()));
    const auto quoted = [](const QString& text) -> QString { return u'"' + text + u'"'; };
    // Tri-pane with search, synchronised contents; buttons hide, back,
    // options and print.
    return u"main=" + quoted(title) + u',' + quoted(contents) + u',' + quoted(index) + u',' +
           quoted(defaultPage) + u',' + quoted(defaultPage) + u",,,,,0x2520,,0x3006," + rect +
           u",,,,,,,0";
}
