#include "filltemplate.h"

#include "resources/stringtable.h"

QString FillTemplateText(QString text, const QStringList& values) {
    for (qsizetype i = 0; i + 1 < values.size(); i += 2) {
        const QString& placeholder = values.at(i);
        const QString& replacement = values.at(i + 1);
        if (placeholder.isEmpty())
            continue;
        qsizetype from = 0;
        while (true) {
            const qsizetype at = text.indexOf(placeholder, from, Qt::CaseSensitive);
            if (at < 0)
                break;
            text.replace(at, placeholder.size(), replacement);
            from = at + replacement.size();
        }
    }
    return text;
}

QString FillTemplate(int id, const QStringList& values) {
    return FillTemplateText(LoadResString(id), values);
}

QString SqlText(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('\''), QStringLiteral("''"));
    return out;
}

QString SelectWhere(const QString& fields, const QString& table, const QString& field,
                    const QString& value) {
    return FillTemplate(str::sql::SelectWhere,
                        {QStringLiteral("|1"), fields, QStringLiteral("|2"), table,
                         QStringLiteral("|3"), field, QStringLiteral("|4"), SqlText(value)});
}
