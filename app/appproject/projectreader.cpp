#include "appproject/projectreader.h"

#include "codepage/ansi.h"
#include "fileio/findpath.h"
#include "resources/stringtable.h"

#include <QDir>
#include <QFileInfo>

namespace QMTCOdeMod {

namespace {

QString toText(std::string_view bytes) {
    return ansi::toUnicode(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The form's name from its file; a file that cannot be opened adds no row.
QString ReadFormName(const QString& strformfilepath) {
    try {
        return FormNameIn(view(ReadFileBytes(strformfilepath)));
    } catch (const FileError&) {
        return {};
    }
}

} // namespace

QString ProjectFolder(const QString& strprojectpath) {
    if (strprojectpath.isEmpty())
        return {};
    return QFileInfo(strprojectpath).path() + u'/';
}

QString ResolveFormFile(const QString& strfolder, const QString& strformfilename) {
    return fileio::FindPath(strfolder, strformfilename);
}

bool ReadFormEntry(const QString& strline, const QString& strprojectpath, QString& strformname,
                   QString& strformfilename) {
    const QString examinedText = strline.left(static_cast<qsizetype>(kExaminedChars));
    const qsizetype at = examinedText.indexOf(u'=');
    strformfilename = at < 0 ? QString() : examinedText.mid(at + 1).trimmed();
    strformname.clear();
    if (strformfilename.isEmpty())
        return false;
    strformname = ReadFormName(ResolveFormFile(ProjectFolder(strprojectpath), strformfilename));
    return !strformname.isEmpty();
}

std::vector<FormRow> ReadProjectForms(const QString& strprojectpath, QStringList* unreadable) {
    const QByteArray bytes = ReadFileBytes(strprojectpath);
    const QString formKey = LoadResString(str::vb::FormKey);
    std::vector<FormRow> forms;
    bool first = true;
    ForEachLine(view(bytes), [&](std::string_view line, std::size_t) {
        if (first) // a byte-order mark before the first line is not part of it
            line.remove_prefix(ByteOrderMark(line).size());
        first = false;
        if (toText(LineKey(line)) != formKey)
            return;
        FormRow row;
        if (ReadFormEntry(toText(line), strprojectpath, row.formName, row.fileName))
            forms.push_back(std::move(row));
        else if (unreadable && !row.fileName.isEmpty())
            *unreadable << row.fileName;
    });
    return forms;
}

QStringList MissingFormFiles(const QString& strprojectpath) {
    const QByteArray bytes = ReadFileBytes(strprojectpath);
    const QString formKey = LoadResString(str::vb::FormKey);
    const QString folder = ProjectFolder(strprojectpath);
    QStringList missing;
    ForEachLine(view(bytes), [&](std::string_view line, std::size_t) {
        line.remove_prefix(ByteOrderMark(line).size());
        if (toText(LineKey(line)) != formKey)
            return;
        const QString examined = toText(line).left(static_cast<qsizetype>(kExaminedChars));
        const QString listed = examined.mid(examined.indexOf(u'=') + 1).trimmed();
        const QFileInfo file(ResolveFormFile(folder, listed));
        if (!listed.isEmpty() && !(file.isFile() && file.isReadable()))
            missing << listed;
    });
    return missing;
}

QString GetFormFilePath(const QString& strformname, const std::vector<FormRow>& forms,
                        const QString& strvbprojectfilename) {
    for (const FormRow& row : forms) {
        if (row.formName == strformname)
            return ResolveFormFile(ProjectFolder(strvbprojectfilename), row.fileName);
    }
    return {};
}

QString FormNameIn(std::string_view formBytes) {
    QString name;
    bool done = false;
    bool first = true;
    ForEachLine(formBytes, [&](std::string_view line, std::size_t) {
        if (first)
            line.remove_prefix(ByteOrderMark(line).size());
        first = false;
        if (done || ClassifyFormLine(line).kind != LineKind::Name)
            return;
        name = ExtractQuotedText(toText(line)).trimmed();
        done = true;
    });
    return name;
}

std::vector<FormObject> FormObjectsIn(std::string_view formBytes,
                                      const std::function<void(qint64)>& progress) {
    std::vector<FormObject> objects;
    bool inCode = false;
    int blockDepth = 0;
    bool first = true;
    ForEachLine(formBytes, [&](std::string_view line, std::size_t end) {
        if (first)
            line.remove_prefix(ByteOrderMark(line).size());
        first = false;
        if (!inCode) {
            const FormLine form = ClassifyFormLine(line);
            if (blockDepth > 0) {
                blockDepth += form.kind == LineKind::BeginProperty ? 1
                              : form.kind == LineKind::EndProperty ? -1
                                                                   : 0;
            } else if (form.kind == LineKind::BeginProperty) {
                ++blockDepth;
            } else if (form.kind == LineKind::Name) {
                inCode = true;
            } else if (form.kind == LineKind::Control) {
                objects.push_back({toText(form.controlName), toText(form.controlType)});
            }
        }
        if (progress)
            progress(static_cast<qint64>(end));
    });
    return objects;
}

std::vector<FormObject> ReadFormObjects(const QString& strformfilepath,
                                        const std::function<void(qint64)>& progress) {
    return FormObjectsIn(view(ReadFileBytes(strformfilepath)), progress);
}

QStringList ListFormObjects(const QString& strformfilepath,
                            const std::function<void(qint64)>& progress) {
    QStringList names;
    for (const FormObject& object : ReadFormObjects(strformfilepath, progress))
        names << object.name;
    return names;
}

} // namespace QMTCOdeMod
