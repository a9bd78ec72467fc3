// The template routine: statements, file-dialog filters and RTF lines are
// built from string-table templates with the placeholders "|1" to "|4".
#pragma once

#include <QString>
#include <QStringList>

// Loads template `id` and replaces, pair by pair, every occurrence of the
// placeholder values[i] by values[i + 1]. A replacement is never searched
// again, so a value that itself holds a placeholder stays as it is.
QString FillTemplate(int id, const QStringList& values);
// The same on a template text instead of a string-table number.
QString FillTemplateText(QString text, const QStringList& values);

// A text value made safe to stand between the single quotes of a statement:
// every single quote is doubled.
QString SqlText(const QString& value);

// The statement "select |1 from |2 where |3 = '|4'" (str::sql::SelectWhere),
// with the value quoted safely.
QString SelectWhere(const QString& fields, const QString& table, const QString& field,
                    const QString& value);
