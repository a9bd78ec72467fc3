// Generates an application project of 500 forms of 200 controls each (with
// fonts, frames and control arrays), 20,000 tool-tip and 20,000 What's This
// entries, runs both writers and, in the same run, copies the same form files
// with a plain file copy.
//
//   bench_formwriters [forms] [controls]
#include "appproject/formwriters.h"
#include "appproject/projectreader.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "dao.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

QByteArray controlName(int control) {
    // Every tenth control is the second element of an array with the one before.
    const int name = control % 10 == 9 ? control - 1 : control;
    return "ctl" + QByteArray::number(name);
}

QByteArray formBytes(int form, int controls) {
    const QByteArray name = "frm" + QByteArray::number(form);
    QByteArray out;
    auto line = [&out](const QByteArray& text) { out += text + "\r\n"; };
    line("VERSION 5.00");
    line("Begin VB.Form " + name + " ");
    line("   Caption         =   \"Form " + QByteArray::number(form) + "\"");
    line("   ClientHeight    =   6000");
    line("   ClientWidth     =   8000");
    line("   StartUpPosition =   3  'Windows Default");
    bool inFrame = false;
    for (int c = 0; c < controls; ++c) {
        if (c % 20 == 0) {
            if (inFrame)
                line("   End");
            line("   Begin VB.Frame fra" + QByteArray::number(c) + " ");
            line("      Caption         =   \"Begin the section\"");
            line("      Height          =   2000");
            line("      Left            =   120");
            line("      TabIndex        =   " + QByteArray::number(c));
            line("      Top             =   120");
            line("      Width           =   7000");
            inFrame = true;
            continue;
        }
        line("      Begin VB.TextBox " + controlName(c) + " ");
        if (c % 3 == 0) {
            line("         BeginProperty Font ");
            line("            Name            =   \"MS Sans Serif\"");
            line("            Size            =   8.25");
            line("            Charset         =   0");
            line("            Weight          =   700");
            line("            Underline       =   0   'False");
            line("            Italic          =   0   'False");
            line("            Strikethrough   =   0   'False");
            line("         EndProperty");
        }
        line("         Height          =   285");
        if (c % 10 >= 8)
            line("         Index           =   " + QByteArray::number(c % 10 - 8));
        line("         Left            =   240");
        line("         TabIndex        =   " + QByteArray::number(c));
        line("         Text            =   \"Value " + QByteArray::number(c) + "\"");
        line("         Top             =   " + QByteArray::number(240 + 300 * (c % 20)));
        line("         Width           =   2000");
        line("      End");
    }
    if (inFrame)
        line("   End");
    line("End");
    line("Attribute VB_Name = \"" + name + "\"");
    line("Attribute VB_GlobalNameSpace = False");
    line("Option Explicit");
    for (int i = 0; i < 40; ++i) {
        line("Private Sub Handler" + QByteArray::number(i) + "()");
        line("    ' Begin VB.TextBox ghost ");
        line("    Me.Caption = \"Handler " + QByteArray::number(i) + "\"");
        line("End Sub");
    }
    return out;
}

double seconds(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int formCount = args.size() > 1 ? args.at(1).toInt() : 500;
    const int controls = args.size() > 2 ? args.at(2).toInt() : 200;
    const int entriesPerForm = 40;

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    qputenv("QUILLMATE_REGISTRY", QFile::encodeName(dir.path()));
    const QString appDir = dir.filePath(QStringLiteral("app"));
    const QString copyDir = dir.filePath(QStringLiteral("copy"));
    QDir().mkpath(appDir + QStringLiteral("/Forms"));
    QDir().mkpath(copyDir);

    QElapsedTimer t;
    t.start();
    QByteArray vbp = "Type=Exe\r\n";
    QStringList formFiles;
    qint64 totalBytes = 0;
    for (int f = 0; f < formCount; ++f) {
        const QString file = QStringLiteral("Forms/frm%1.frm").arg(f);
        vbp += "Form=Forms\\frm" + QByteArray::number(f) + ".frm\r\n";
        QFile out(appDir + u'/' + file);
        const QByteArray bytes = formBytes(f, controls);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            return 1;
        totalBytes += bytes.size();
        formFiles.append(appDir + u'/' + file);
    }
    const QString vbpPath = appDir + QStringLiteral("/app.vbp");
    {
        QFile out(vbpPath);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        out.write(vbp);
    }

    const QString dbPath = dir.filePath(QStringLiteral("bench.QMT"));
    {
        components::Component<ICreateDataBase> creator(QStringLiteral("QMTCRDB.CreateDataBase"));
        creator->setDataBaseName(dbPath);
        creator->create_database();
    }
    auto db = dao::Database::OpenDatabase(dbPath);
    db->BeginTrans();
    {
        auto tips = db->OpenRecordset(QStringLiteral("select * from ToolTips"), dao::dbOpenDynaset);
        auto whats =
            db->OpenRecordset(QStringLiteral("select * from WhatsThis"), dao::dbOpenDynaset);
        const QString types[] = {QStringLiteral("Both"), QStringLiteral("ConS"),
                                 QStringLiteral("WhtS")};
        for (int f = 0; f < formCount; ++f) {
            for (int e = 0; e < entriesPerForm; ++e) {
                const int control = 1 + e * (controls - 1) / entriesPerForm;
                const QString object =
                    QStringLiteral("frm%1.%2")
                        .arg(f)
                        .arg(QString::fromLatin1(control % 20 == 0
                                                     ? "fra" + QByteArray::number(control)
                                                     : controlName(control)));
                tips->AddNew();
                tips->SetField(QStringLiteral("Object"), object);
                tips->SetField(QStringLiteral("HelpText"),
                               QStringLiteral("Tip for \"%1\"").arg(object));
                tips->SetField(QStringLiteral("Status"), QStringLiteral("A"));
                tips->Update();
                whats->AddNew();
                whats->SetField(QStringLiteral("Object"), object);
                whats->SetField(QStringLiteral("TopicID"), QStringLiteral("T%1").arg(f));
                whats->SetField(QStringLiteral("MapNumber"), 1000 + e);
                whats->SetField(QStringLiteral("HelpText"), QStringLiteral("help"));
                whats->SetField(QStringLiteral("Status"), QStringLiteral("A"));
                whats->SetField(QStringLiteral("Type"), types[e % 3]);
                whats->Update();
            }
        }
    }
    db->CommitTrans();
    const auto forms = QMTCOdeMod::ReadProjectForms(vbpPath);
    std::printf("generated %d forms, %lld bytes, %d + %d entries in %.2f s\n", int(forms.size()),
                static_cast<long long>(totalBytes), formCount * entriesPerForm,
                formCount * entriesPerForm, seconds(t));

    // Each timed step starts with nothing left to write back from the one before.
    // QFile::copy flushes every copy to the disk, as the writers do; the raw
    // copy only reads and writes, leaving the data in the page cache.
    auto plainCopy = [&](const QString& into) {
        QDir().mkpath(into);
        ::sync();
        QElapsedTimer c;
        c.start();
        for (const QString& file : formFiles) {
            if (!QFile::copy(file, into + u'/' + QFileInfo(file).fileName()))
                return -1.0;
        }
        return seconds(c);
    };
    auto rawCopy = [&](const QString& into) {
        QDir().mkpath(into);
        ::sync();
        QElapsedTimer c;
        c.start();
        for (const QString& file : formFiles) {
            QFile in(file);
            QFile out(into + u'/' + QFileInfo(file).fileName());
            if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
                return -1.0;
            const QByteArray bytes = in.readAll();
            if (out.write(bytes) != bytes.size())
                return -1.0;
        }
        return seconds(c);
    };
    const double rawBefore = rawCopy(copyDir + QStringLiteral("/raw"));
    const double copyBefore = plainCopy(copyDir + QStringLiteral("/before"));

    ::sync();
    t.restart();
    const FormWriteResult tips = CreateToolTips(*db, vbpPath, forms);
    const double tipTime = seconds(t);
    ::sync();
    t.restart();
    const FormWriteResult help = CreateContextSensitiveHelp(*db, vbpPath, forms);
    const double helpTime = seconds(t);

    const double copyAfter = plainCopy(copyDir + QStringLiteral("/after"));
    const double rawAfter = rawCopy(copyDir + QStringLiteral("/rawafter"));
    if (copyBefore < 0 || copyAfter < 0 || rawBefore < 0 || rawAfter < 0)
        return 1;
    // The faster of the two runs of each copy is its yardstick.
    const double copy = std::min(copyBefore, copyAfter);
    const double raw = std::min(rawBefore, rawAfter);

    qint64 after = 0;
    for (const QString& file : formFiles)
        after += QFileInfo(file).size();
    std::printf("QFile::copy (synced): %8.3f s (before the writers %.3f s, after %.3f s)\n", copy,
                copyBefore, copyAfter);
    std::printf("raw copy (no sync):   %8.3f s (before the writers %.3f s, after %.3f s)\n", raw,
                rawBefore, rawAfter);
    std::printf("tool tips:            %8.3f s (%d forms, %d failures)\n", tipTime,
                tips.formsRewritten, int(tips.failures.size()));
    std::printf("help IDs:             %8.3f s (%d forms, %d failures)\n", helpTime,
                help.formsRewritten, int(help.failures.size()));
    std::printf("writers / QFile::copy: %7.2f (goal: at most 3)\n", (tipTime + helpTime) / copy);
    std::printf("writers / raw copy:   %8.2f\n", (tipTime + helpTime) / raw);
    std::printf("form bytes after:    %lld\n", static_cast<long long>(after));
    return tips.failures.isEmpty() && help.failures.isEmpty() ? 0 : 1;
}
