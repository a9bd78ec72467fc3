// Generates an application project of 500 forms of 200 controls each (with
// fonts, frames and control arrays), 20,000 tool-tip and 20,000 What's This
// entries, and runs both writers against a durable copy of the same form
// files in the same run.
//
//   bench_formwriters [forms] [controls]
#include "../common/measure.h"
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
#include <QThreadPool>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
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

constexpr int kThreads = 8; // as many as the writers commit with
constexpr int kRounds = 5;

// Copies `files` into the folder `into` durably (see main); -1 on a failure.
double durableCopy(const QStringList& files, const QString& into) {
    QDir().mkpath(into);
    const QByteArray folder = QFile::encodeName(into);
    ::sync();
    QElapsedTimer c;
    c.start();
    std::atomic<bool> ok{true};
    QThreadPool pool;
    pool.setMaxThreadCount(kThreads);
    for (const QString& file : files) {
        pool.start([&ok, &folder, file] {
            const QByteArray bytes = bench::readAll(file);
            const QByteArray name = QFile::encodeName(QFileInfo(file).fileName());
            const QByteArray work = folder + "/." + name + ".work";
            const int fd = ::open(work.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() ||
                ::fsync(fd) != 0 || ::close(fd) != 0 ||
                ::rename(work.constData(), QByteArray(folder + '/' + name).constData()) != 0)
                ok = false;
        });
    }
    pool.waitForDone();
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || ::fsync(dir) != 0)
        ok = false;
    if (dir >= 0)
        ::close(dir);
    return ok ? seconds(c) : -1.0;
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

    // The yardstick is a durable copy of the same files: what any writer that
    // never loses a form has to do at the least. Each file is read, written to
    // a new file, synced and renamed over the copy made before, by as many
    // threads as the writers commit with; the folder is synced once at the
    // end. Each round starts from freshly written forms with nothing left to
    // write back.
    std::vector<double> copies;
    std::vector<double> writers;
    std::vector<double> copyCpu, writerCpu; // CPU seconds of all threads
    FormWriteResult last;
    for (int round = 0; round < kRounds; ++round) {
        for (int f = 0; f < formCount; ++f) {
            QFile out(formFiles.at(f));
            const QByteArray bytes = formBytes(f, controls);
            if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
                return 1;
        }
        if (round == 0 && durableCopy(formFiles, copyDir) < 0)
            return 1; // the copies then replace files, as the writers do
        double cpu = bench::cpuSeconds(RUSAGE_SELF);
        const double copy = durableCopy(formFiles, copyDir);
        copyCpu.push_back(bench::cpuSeconds(RUSAGE_SELF) - cpu);
        if (copy < 0)
            return 1;
        copies.push_back(copy);
        ::sync();
        t.restart();
        cpu = bench::cpuSeconds(RUSAGE_SELF);
        last = WriteFormFiles(*db, {true, true, false}, vbpPath, forms);
        writers.push_back(seconds(t));
        writerCpu.push_back(bench::cpuSeconds(RUSAGE_SELF) - cpu);
        if (!last.failures.isEmpty())
            return 1;
    }
    const double copy = bench::median(copies);
    const double write = bench::median(writers);

    qint64 after = 0;
    for (const QString& file : formFiles)
        after += QFileInfo(file).size();
    std::printf("durable copy:         %8.3f s (median of %d; %d threads, synced)\n", copy, kRounds,
                kThreads);
    std::printf("writers:              %8.3f s (median of %d; %d forms, %d controls, "
                "%d failures)\n",
                write, kRounds, last.formsRewritten, last.controlsUpdated,
                int(last.failures.size()));
    std::printf("writers / durable copy: %6.2f (goal: at most 1.5)\n", write / copy);
    std::printf("CPU time: durable copy %.3f s, writers %.3f s (medians)\n", bench::median(copyCpu),
                bench::median(writerCpu));
    std::printf("form bytes after:    %lld\n", static_cast<long long>(after));
    return 0;
}
