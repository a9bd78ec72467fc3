// The recent-files rules over an in-memory registry that behaves like the
// registry functions: create flag "Y" only, values of 256 characters or more
// read as missing, names without regard to letter case.
#include "components/interfaces.h"
#include "workspace/recentfiles.h"

#include <QMap>
#include <QtTest>

namespace {

class MemoryRegistry : public IRegistryFunctions {
public:
    QMap<QString, QMap<QString, QString>> keys; // lower-case key path -> values (lower-case name)
    QMap<std::int32_t, QString> handles;
    bool refuseKeys = false;
    int writes = 0;
    int openHandles() const { return handles.size(); }

    QMap<QString, QString>& key(const QString& path) { return keys[path.toLower()]; }
    QString value(const QString& path, const QString& name) const {
        return keys.value(path.toLower()).value(name.toLower());
    }
    bool hasValue(const QString& path, const QString& name) const {
        return keys.value(path.toLower()).contains(name.toLower());
    }

    std::int32_t KRVOpenRegKey(std::int32_t&, QString& lvsubkey, QString&, std::int32_t&,
                               QString& lvcreateflag, std::int32_t& lvhandle) override {
        const QString path = lvsubkey.toLower();
        if (refuseKeys)
            return 5;
        if (!keys.contains(path)) {
            if (lvcreateflag != QLatin1String("Y"))
                return 2;
            keys.insert(path, {});
        }
        lvhandle = m_next++;
        handles.insert(lvhandle, path);
        return 0;
    }
    std::int32_t KRVSetRegEntry(std::int32_t& lvhandle, QString& lvkeyname,
                                QString& lvkeyvalue) override {
        if (!handles.contains(lvhandle))
            return 6;
        keys[handles.value(lvhandle)][lvkeyname.toLower()] = lvkeyvalue;
        ++writes;
        return 0;
    }
    std::int32_t KRVGetRegEntry(std::int32_t& lvhandle, QString& lvkeyname, QString& lvkeyvalue,
                                QString& lvcreate) override {
        if (!handles.contains(lvhandle))
            return 6;
        const auto& values = keys[handles.value(lvhandle)];
        const auto it = values.find(lvkeyname.toLower());
        if (it != values.end() && !it->isEmpty() && it->size() <= 255) {
            lvkeyvalue = *it;
            return 0;
        }
        if (lvcreate == QLatin1String("Y"))
            return KRVSetRegEntry(lvhandle, lvkeyname, lvkeyvalue);
        return 0;
    }
    std::int32_t KRVCloseRegKey(std::int32_t& lvhandle) override {
        return handles.remove(lvhandle) ? 0 : 6;
    }
    std::int32_t KRVDeleteRegValue(std::int32_t& handle, QVariant& name) override {
        if (!handles.contains(handle))
            return 6;
        return keys[handles.value(handle)].remove(name.toString().toLower()) ? 0 : 2;
    }
    std::int32_t KRVEmunRegKeys(std::int32_t&, std::int32_t&, QString&) override { return 259; }
    std::int32_t KRVEmunRegValues(std::int32_t&, std::int32_t&, QString&, QString*) override {
        return 259;
    }
    std::int32_t KRVDeleteRegKey(std::int32_t&, QString&) override { return 2; }
    std::int32_t KRVQueryRegValue(std::int32_t&, QString&, QString&, QString&) override {
        return 2;
    }
    std::int32_t KRVQuickGetRegEntry(std::int32_t&, QString&, QString&, std::int32_t&, QString&,
                                     std::int32_t&, QString&) override {
        return 0;
    }
    std::int32_t KRVEmunRegKeyValues(std::int32_t&, std::int32_t&, QString&, QString&) override {
        return 259;
    }

private:
    std::int32_t m_next = 100;
};

const QString kKey = QStringLiteral("software\\KRV\\Quillmate");

QString project(int n) {
    return QStringLiteral("/home/author/p%1.QMT").arg(n);
}

void setList(MemoryRegistry& reg, const QStringList& paths) {
    auto& values = reg.key(kKey);
    values.clear();
    for (int k = 0; k < paths.size(); ++k)
        values.insert(QStringLiteral("mru%1").arg(k + 1), paths.at(k));
}

} // namespace

class TestRecentFiles : public QObject {
    Q_OBJECT

private slots:
    void captionsCarryTheDigitAsAccessKey() {
        QCOMPARE(recentfiles::caption(3, QStringLiteral("/a b/x.QMT")),
                 QStringLiteral("&3 /a b/x.QMT"));
        QCOMPARE(recentfiles::pathFromCaption(recentfiles::caption(5, QStringLiteral("C:\\q.QMT"))),
                 QStringLiteral("C:\\q.QMT"));
    }

    void emptyRegistryCreatesTheKeyAndListsNothing() {
        MemoryRegistry reg;
        QVERIFY(recentfiles::read(reg).isEmpty());
        QVERIFY(reg.keys.contains(kKey.toLower()));
        QCOMPARE(reg.openHandles(), 0);
    }

    void readStopsAtTheFirstGap() {
        MemoryRegistry reg;
        setList(reg, {project(1), project(2)});
        reg.key(kKey).insert(QStringLiteral("mru4"), project(4));
        QCOMPARE(recentfiles::read(reg), QStringList({project(1), project(2)}));
        reg.key(kKey)[QStringLiteral("mru2")] = QString();
        QCOMPARE(recentfiles::read(reg), QStringList({project(1)}));
    }

    void sixProjectsLeaveTheLastFiveNewestFirst() {
        MemoryRegistry reg;
        for (int n = 1; n <= 6; ++n)
            recentfiles::add(reg, project(n));
        QCOMPARE(recentfiles::read(reg),
                 QStringList({project(6), project(5), project(4), project(3), project(2)}));
        QVERIFY(!reg.hasValue(kKey, QStringLiteral("MRU6")));
        QCOMPARE(reg.openHandles(), 0);
    }

    void addReturnsTheEntriesWritten() {
        MemoryRegistry reg;
        setList(reg, {project(1), project(2)});
        QCOMPARE(recentfiles::add(reg, project(3)),
                 QStringList({project(3), project(1), project(2)}));
    }

    void aListedPathStaysWhereItIs() {
        MemoryRegistry reg;
        setList(reg, {project(1), project(2), project(3)});
        const int before = reg.writes;
        QVERIFY(recentfiles::add(reg, project(3)).isEmpty());
        QCOMPARE(reg.writes, before);
        QCOMPARE(recentfiles::read(reg), QStringList({project(1), project(2), project(3)}));
    }

    void pathsDifferingInLetterCaseAreDifferentEntries() {
        MemoryRegistry reg;
        setList(reg, {QStringLiteral("/x/A.QMT")});
        recentfiles::add(reg, QStringLiteral("/x/a.qmt"));
        QCOMPARE(recentfiles::read(reg),
                 QStringList({QStringLiteral("/x/a.qmt"), QStringLiteral("/x/A.QMT")}));
    }

    void moveToTopShiftsOnlyTheEntriesAbove() {
        MemoryRegistry reg;
        setList(reg, {project(1), project(2), project(3), project(4), project(5)});
        QVERIFY(recentfiles::moveToTop(reg, 3, project(3)));
        QCOMPARE(recentfiles::read(reg),
                 QStringList({project(3), project(1), project(2), project(4), project(5)}));
        QVERIFY(!reg.hasValue(kKey, QStringLiteral("MRU0")));
        QCOMPARE(reg.openHandles(), 0);

        QVERIFY(recentfiles::moveToTop(reg, 5, project(5)));
        QCOMPARE(recentfiles::read(reg),
                 QStringList({project(5), project(3), project(1), project(2), project(4)}));
    }

    void anUnreadableValueLeavesThePositionBelowUnchanged() {
        MemoryRegistry reg;
        const QString tooLong = QStringLiteral("/") + QString(300, QLatin1Char('x'));
        setList(reg, {project(1), tooLong, project(3)});
        QVERIFY(recentfiles::moveToTop(reg, 3, project(3)));
        // MRU2 could not be read, so MRU3 keeps what it had; MRU2 gets MRU1.
        QCOMPARE(reg.value(kKey, QStringLiteral("MRU1")), project(3));
        QCOMPARE(reg.value(kKey, QStringLiteral("MRU2")), project(1));
        QCOMPARE(reg.value(kKey, QStringLiteral("MRU3")), project(3));
    }

    void aPathTooLongToReadBackEndsTheList() {
        MemoryRegistry reg;
        setList(reg, {project(1), project(2)});
        const QString tooLong = QStringLiteral("/") + QString(300, QLatin1Char('y'));
        recentfiles::add(reg, tooLong);
        // Written, but it reads back as missing: the shown list ends before it.
        QCOMPARE(reg.value(kKey, QStringLiteral("MRU1")), tooLong);
        QVERIFY(recentfiles::read(reg).isEmpty());
        // The next path shifts nothing past the entry that reads as empty.
        QCOMPARE(recentfiles::add(reg, project(9)), QStringList({project(9)}));
        QCOMPARE(recentfiles::read(reg), QStringList({project(9), project(1), project(2)}));
    }

    void aKeyThatCannotBeOpenedChangesNothing() {
        MemoryRegistry reg;
        setList(reg, {project(1)});
        reg.refuseKeys = true;
        QVERIFY(recentfiles::read(reg).isEmpty());
        QVERIFY(recentfiles::add(reg, project(2)).isEmpty());
        QVERIFY(!recentfiles::moveToTop(reg, 1, project(1)));
        QCOMPARE(reg.writes, 0);
        reg.refuseKeys = false;
        QCOMPARE(recentfiles::read(reg), QStringList({project(1)}));
    }
};

QTEST_GUILESS_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
