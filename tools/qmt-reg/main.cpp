// qmt-reg: query, add and delete registry keys and values from the command line,
// for example to name the help compiler under App Paths.
//
// Exit status: 0 done, 1 key or value missing, 2 bad arguments, 3 registry failure.
#include "codepage/ansi.h"
#include "winreg/winreg.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <vector>

using namespace winreg;

namespace {

enum Exit { Done = 0, Missing = 1, BadArguments = 2, Failed = 3 };

constexpr qsizetype kMaxNameLength = 255;        // a key name
constexpr qsizetype kMaxValueNameLength = 16383; // a value name

const char* const kUsage =
    "usage: qmt-reg query KEY [/v NAME | /ve]\n"
    "       qmt-reg add KEY [/v NAME | /ve] [/d DATA] [/f]\n"
    "       qmt-reg delete KEY [/v NAME | /ve] [/f]\n"
    "KEY begins with HKCU\\, HKEY_CURRENT_USER\\, HKLM\\ or HKEY_LOCAL_MACHINE\\.\n";

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}
QTextStream& err() {
    static QTextStream s(stderr);
    return s;
}

struct UsageError {
    QString message;
};

struct Command {
    QString verb;
    HKEY root = 0;
    QString rootName;   // spelled out
    QString path;       // below the root; empty for the root itself
    bool value = false; // one value (/v NAME, or /ve for the default value)
    QString valueName;
    bool hasData = false;
    QString data;

    QString fullName() const {
        return path.isEmpty() ? rootName : rootName + QLatin1Char('\\') + path;
    }
};

bool isSwitch(const QString& arg, const char* name) {
    return arg.size() > 1 && (arg[0] == QLatin1Char('/') || arg[0] == QLatin1Char('-')) &&
           arg.mid(1).compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

void parseKey(const QString& key, Command& c) {
    const qsizetype slash = key.indexOf(QLatin1Char('\\'));
    const QString root = slash < 0 ? key : key.left(slash);
    QString path = slash < 0 ? QString() : key.mid(slash + 1);
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    const auto is = [&](const char* name) {
        return root.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (is("HKCU") || is("HKEY_CURRENT_USER")) {
        c.root = HKEY_CURRENT_USER;
        c.rootName = QStringLiteral("HKEY_CURRENT_USER");
    } else if (is("HKLM") || is("HKEY_LOCAL_MACHINE")) {
        c.root = HKEY_LOCAL_MACHINE;
        c.rootName = QStringLiteral("HKEY_LOCAL_MACHINE");
    } else {
        throw UsageError{
            QStringLiteral("unknown root key \"%1\": use HKCU, HKEY_CURRENT_USER, HKLM or "
                           "HKEY_LOCAL_MACHINE.")
                .arg(root)};
    }
    c.path = path;
}

// Key and value names, and data, are stored in Windows-1252: a character it
// cannot hold would be stored as '?' and two names could become one.
void requireAnsi(const QString& text, const QString& what) {
    const qsizetype at = ansi::firstUnencodable(text);
    if (at >= 0)
        throw UsageError{QStringLiteral("%1 holds %2, which the registry cannot store.")
                             .arg(what, ansi::describeCharacter(text, at))};
}

// What the registry would refuse with a bare status, said as a usage mistake.
void checkNames(const Command& c) {
    requireAnsi(c.path, QStringLiteral("the key"));
    for (const QString& part : c.path.split(QLatin1Char('\\'))) {
        if (part.isEmpty() && !c.path.isEmpty())
            throw UsageError{QStringLiteral("the key \"%1\" has an empty name between two "
                                            "backslashes.")
                                 .arg(c.path)};
        if (part.size() > kMaxNameLength)
            throw UsageError{QStringLiteral("the key name \"%1...\" is longer than %2 characters.")
                                 .arg(part.left(20), QString::number(kMaxNameLength))};
    }
    requireAnsi(c.valueName, QStringLiteral("the value name"));
    if (c.valueName.size() > kMaxValueNameLength)
        throw UsageError{QStringLiteral("the value name \"%1...\" is longer than %2 characters.")
                             .arg(c.valueName.left(20), QString::number(kMaxValueNameLength))};
    requireAnsi(c.data, QStringLiteral("the data"));
}

Command parse(const QStringList& args) {
    if (args.size() < 2)
        throw UsageError{QStringLiteral("a command and a key are needed.")};
    Command c;
    c.verb = args[0].toLower();
    if (c.verb != QLatin1String("query") && c.verb != QLatin1String("add") &&
        c.verb != QLatin1String("delete"))
        throw UsageError{QStringLiteral("unknown command \"%1\".").arg(args[0])};
    parseKey(args[1], c);
    bool force = false;
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto operand = [&]() -> QString {
            if (i + 1 >= args.size())
                throw UsageError{QStringLiteral("%1 needs a value.").arg(a)};
            return args[++i];
        };
        if (isSwitch(a, "v") || isSwitch(a, "ve")) {
            if (c.value)
                throw UsageError{QStringLiteral("name one value only (/v NAME or /ve).")};
            c.value = true;
            c.valueName = isSwitch(a, "v") ? operand() : QString();
            if (isSwitch(a, "v") && c.valueName.isEmpty())
                throw UsageError{QStringLiteral("/v needs a name; use /ve for the default value.")};
        } else if (isSwitch(a, "d") && c.verb == QLatin1String("add") && !c.hasData) {
            c.hasData = true;
            c.data = operand();
        } else if (isSwitch(a, "t") && c.verb == QLatin1String("add")) {
            if (operand().compare(QLatin1String("REG_SZ"), Qt::CaseInsensitive) != 0)
                throw UsageError{QStringLiteral("only REG_SZ values can be added.")};
        } else if (isSwitch(a, "f") && c.verb != QLatin1String("query") && !force) {
            force = true; // nothing is ever asked, so there is nothing to force
        } else {
            throw UsageError{QStringLiteral("unexpected argument \"%1\".").arg(a)};
        }
    }
    checkNames(c);
    return c;
}

int failure(LONG status, const QString& what) {
    if (status == ERROR_FILE_NOT_FOUND) {
        err() << "qmt-reg: " << what << " was not found." << Qt::endl;
        return Missing;
    }
    if (status == ERROR_REGISTRY_CORRUPT) {
        err() << "qmt-reg: the registry file " << damagedHivePath()
              << " is damaged and cannot be read; it was left as it is." << Qt::endl;
        return Failed;
    }
    if (status == ERROR_ACCESS_DENIED || status == ERROR_REGISTRY_IO_FAILED) {
        // The usual cause: the settings folder cannot be used.
        const QString folder = hiveFolder();
        const QFileInfo info(folder);
        QString why;
        if (info.exists() && !info.isDir())
            why = QStringLiteral("a file stands where the folder should be");
        else if (info.exists() && !info.isWritable())
            why = QStringLiteral("the folder is not writable");
        else if (!info.exists() && !QDir().mkpath(folder))
            why = QStringLiteral("the folder cannot be made");
        if (!why.isEmpty()) {
            err() << "qmt-reg: the registry folder " << folder << " cannot be used: " << why << '.'
                  << Qt::endl;
            return Failed;
        }
    }
    if (status == ERROR_INVALID_PARAMETER) {
        err() << "qmt-reg: " << what << ": the registry refused the name or the data." << Qt::endl;
        return BadArguments;
    }
    if (const QString hive = failedHivePath(); !hive.isEmpty()) {
        err() << "qmt-reg: " << what << ": the registry file " << hive
              << " could not be used: " << failedHiveReason() << '.' << Qt::endl;
        return Failed;
    }
    err() << "qmt-reg: " << what << ": the registry reported error " << status << '.' << Qt::endl;
    return Failed;
}

QString typeName(DWORD type) {
    switch (type) {
    case 0:
        return QStringLiteral("REG_NONE");
    case 1:
        return QStringLiteral("REG_SZ");
    case 2:
        return QStringLiteral("REG_EXPAND_SZ");
    case 3:
        return QStringLiteral("REG_BINARY");
    case 4:
        return QStringLiteral("REG_DWORD");
    case 7:
        return QStringLiteral("REG_MULTI_SZ");
    case 11:
        return QStringLiteral("REG_QWORD");
    default:
        return QStringLiteral("REG_0x%1").arg(type, 0, 16);
    }
}

void printValue(const QByteArray& name, DWORD type, const QByteArray& data) {
    QString text;
    if (type == REG_SZ || type == 2) {
        const qsizetype end = data.indexOf('\0');
        text = ansi::toUnicode(end < 0 ? data : data.left(end));
    } else {
        text = QString::fromLatin1(data.toHex()).toUpper();
    }
    const QString shown = name.isEmpty() ? QStringLiteral("(Default)") : ansi::toUnicode(name);
    out() << "    " << shown << "    " << typeName(type) << "    " << text << '\n';
}

// A key opened for the length of a command.
class Key {
public:
    ~Key() {
        if (handle)
            RegCloseKey(handle);
    }
    HKEY handle = 0;
};

int query(const Command& c, HKEY key) {
    if (c.value) {
        const QByteArray name = ansi::fromUnicode(c.valueName);
        QByteArray data(256, '\0');
        DWORD size = 0;
        DWORD type = REG_NONE;
        LONG status = ERROR_MORE_DATA;
        while (status == ERROR_MORE_DATA) { // again with the size reported
            data.resize(std::max<qsizetype>(data.size(), size));
            size = static_cast<DWORD>(data.size());
            status = RegQueryValueExA(key, name.constData(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &size);
        }
        if (status != ERROR_SUCCESS)
            return failure(
                status, c.valueName.isEmpty()
                            ? QStringLiteral("the default value of ") + c.fullName()
                            : QStringLiteral("the value %1 of %2").arg(c.valueName, c.fullName()));
        out() << c.fullName() << '\n';
        printValue(name, type, data.left(static_cast<qsizetype>(size)));
        return Done;
    }
    out() << c.fullName() << '\n';
    LONG status = ERROR_SUCCESS;
    std::vector<char> name(16384);
    QByteArray data(4096, '\0');
    for (DWORD i = 0; status == ERROR_SUCCESS;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        status = RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type,
                               reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_MORE_DATA && size > static_cast<DWORD>(data.size())) {
            data.resize(
                static_cast<qsizetype>(size)); // the same index again, with room for the data
            status = ERROR_SUCCESS;
        } else if (status == ERROR_SUCCESS) {
            printValue(QByteArray(name.data(), nameLength), type,
                       data.left(static_cast<qsizetype>(size)));
            ++i;
        }
    }
    if (status != ERROR_NO_MORE_ITEMS)
        return failure(status, c.fullName());
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        status =
            RegEnumKeyExA(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS)
            break;
        out() << c.fullName() << '\\' << ansi::toUnicode(name.data(), nameLength) << '\n';
    }
    return status == ERROR_NO_MORE_ITEMS ? Done : failure(status, c.fullName());
}

int add(const Command& c) {
    Key key;
    const QByteArray path = ansi::fromUnicode(c.path);
    LONG status = RegCreateKeyExA(c.root, path.constData(), 0, "", REG_OPTION_NON_VOLATILE, 0x2003F,
                                  nullptr, &key.handle, nullptr);
    if (status != ERROR_SUCCESS)
        return failure(status, c.fullName());
    if (!c.value && !c.hasData)
        return Done;
    // Without /v the data goes to the default value.
    const QByteArray data = ansi::fromUnicode(c.data) + '\0';
    status = RegSetValueExA(key.handle, ansi::fromUnicode(c.valueName).constData(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.constData()),
                            static_cast<DWORD>(data.size()));
    return status == ERROR_SUCCESS ? Done : failure(status, c.fullName());
}

// Deletes every subkey below key, deepest first.
LONG deleteSubkeys(HKEY key) {
    std::vector<char> name(256);
    for (;;) {
        DWORD length = static_cast<DWORD>(name.size());
        LONG status =
            RegEnumKeyExA(key, 0, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS)
            return status;
        Key child;
        status = RegOpenKeyExA(key, name.data(), 0, 0x2003F, &child.handle);
        if (status == ERROR_SUCCESS)
            status = deleteSubkeys(child.handle);
        if (status == ERROR_SUCCESS)
            status = RegDeleteKeyA(key, name.data());
        if (status != ERROR_SUCCESS)
            return status;
    }
}

int remove(const Command& c, HKEY key) {
    if (c.value) {
        const LONG status = RegDeleteValueA(key, ansi::fromUnicode(c.valueName).constData());
        return status == ERROR_SUCCESS
                   ? Done
                   : failure(
                         status,
                         c.valueName.isEmpty()
                             ? QStringLiteral("the default value of ") + c.fullName()
                             : QStringLiteral("the value %1 of %2").arg(c.valueName, c.fullName()));
    }
    LONG status = deleteSubkeys(key);
    if (status == ERROR_SUCCESS)
        status = RegDeleteKeyA(c.root, ansi::fromUnicode(c.path).constData());
    return status == ERROR_SUCCESS ? Done : failure(status, c.fullName());
}

int run(const Command& c) {
    if (c.verb == QLatin1String("add"))
        return add(c);
    if (c.verb == QLatin1String("delete") && !c.value && c.path.isEmpty())
        throw UsageError{QStringLiteral("a root key cannot be deleted.")};
    Key key;
    const LONG status =
        RegOpenKeyExA(c.root, ansi::fromUnicode(c.path).constData(), 0, 0x2003F, &key.handle);
    if (status != ERROR_SUCCESS)
        return failure(status, c.fullName());
    return c.verb == QLatin1String("query") ? query(c, key.handle) : remove(c, key.handle);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    try {
        return run(parse(app.arguments().mid(1)));
    } catch (const UsageError& e) {
        err() << "qmt-reg: " << e.message << '\n' << kUsage;
        err().flush();
        return BadArguments;
    }
}
