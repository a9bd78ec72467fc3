#include "registryfunctions.h"

#include "codepage/ansi.h"
#include "shell/dialogs.h"
#include "winreg/winreg.h"

#include <QByteArray>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <optional>
#include <vector>

using namespace winreg;

namespace {

constexpr DWORD kValueBufferSize = 256;
constexpr DWORD kEnumBufferSize = 2000;

const QString kCreate = QStringLiteral("Y");

// Exactly "Y" asks for what is missing to be created.
bool wantsCreate(const QString& flag) {
    return flag == kCreate;
}

HKEY key(std::int32_t handle) {
    return static_cast<HKEY>(handle);
}

// The text and one NUL, as a REG_SZ value holds it.
QByteArray regSz(const QString& text) {
    return ansi::fromUnicode(text) + '\0';
}

[[noreturn]] void raiseTypeMismatch() {
    throw ComponentRuntimeError(13, QStringLiteral("Type mismatch"));
}
[[noreturn]] void raiseOverflow() {
    throw ComponentRuntimeError(6, QStringLiteral("Overflow"));
}

// The runtime's conversion of a text to a 32-bit number: decimal, rounded half
// to even, or &H / &O.
std::int32_t textToLong(const QString& text) {
    const QString t = text.trimmed();

    static const QRegularExpression radix(QStringLiteral("^&([HhOo])([0-9A-Fa-f]+)$"));
    if (const auto m = radix.match(t); m.hasMatch()) {
        const bool hex = m.captured(1).compare(QStringLiteral("h"), Qt::CaseInsensitive) == 0;
        bool ok = false;
        const qulonglong v = m.captured(2).toULongLong(&ok, hex ? 16 : 8);
        if (!ok)
            raiseTypeMismatch();
        if (v > 0xFFFFFFFFull)
            raiseOverflow();
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); // &HFFFFFFFF is -1
    }
    static const QRegularExpression decimal(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([EeDd][+-]?[0-9]+)?$"));
    if (!decimal.match(t).hasMatch())
        raiseTypeMismatch();
    QString normal = t;
    normal.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
    bool ok = false;
    const double v = QLocale::c().toDouble(normal, &ok);
    if (!std::isfinite(v))
        raiseOverflow();
    if (!ok)
        raiseTypeMismatch();
    const double rounded = std::nearbyint(v);
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        raiseOverflow();
    return static_cast<std::int32_t>(rounded);
}

// Reads a single value through the 256-byte buffer; the text without its NUL
// when the value holds at least one character.
std::optional<QString> readSingle(LONG status, const std::vector<char>& buffer, DWORD size) {
    if (status != ERROR_SUCCESS || size < 2)
        return std::nullopt;
    return ansi::toUnicode(buffer.data(), static_cast<qsizetype>(size) - 1);
}

std::optional<QString> queryValueEx(HKEY handle, const QString& name) {
    std::vector<char> buffer(kValueBufferSize);
    DWORD size = kValueBufferSize;
    DWORD type = REG_NONE;
    const LONG status = RegQueryValueExA(handle, ansi::fromUnicode(name).constData(), nullptr,
                                         &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    return readSingle(status, buffer, size);
}

} // namespace

std::int32_t RegistryFunctions::KRVOpenRegKey(std::int32_t& lvkey, QString& lvsubkey,
                                              QString& lvkeyname, std::int32_t& lvaccess,
                                              QString& lvcreateflag, std::int32_t& lvhandle) {
    const QByteArray path = ansi::fromUnicode(lvsubkey);
    HKEY opened = 0;
    LONG status =
        RegOpenKeyExA(key(lvkey), path.constData(), 0, static_cast<REGSAM>(lvaccess), &opened);
    if (status != ERROR_SUCCESS && wantsCreate(lvcreateflag)) {
        DWORD disposition = 0;
        status = RegCreateKeyExA(key(lvkey), path.constData(), 0,
                                 ansi::fromUnicode(lvkeyname).constData(), REG_OPTION_NON_VOLATILE,
                                 static_cast<REGSAM>(lvaccess), nullptr, &opened, &disposition);
    }
    lvhandle = static_cast<std::int32_t>(opened);
    return status;
}

std::int32_t RegistryFunctions::KRVSetRegEntry(std::int32_t& lvhandle, QString& lvkeyname,
                                               QString& lvkeyvalue) {
    const QByteArray data = regSz(lvkeyvalue);
    return RegSetValueExA(key(lvhandle), ansi::fromUnicode(lvkeyname).constData(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.constData()),
                          static_cast<DWORD>(data.size()));
}

std::int32_t RegistryFunctions::KRVGetRegEntry(std::int32_t& lvhandle, QString& lvkeyname,
                                               QString& lvkeyvalue, QString& lvcreate) {
    if (const auto text = queryValueEx(key(lvhandle), lvkeyname)) {
        lvkeyvalue = *text;
        return ERROR_SUCCESS;
    }
    // Absent, empty or too long for the buffer: the caller's default stands.
    return wantsCreate(lvcreate) ? KRVSetRegEntry(lvhandle, lvkeyname, lvkeyvalue) : ERROR_SUCCESS;
}

std::int32_t RegistryFunctions::enumKey(std::int32_t handle, std::int32_t index, QString& name) {
    std::vector<char> nameBuffer(kEnumBufferSize);
    std::vector<char> classBuffer(kEnumBufferSize);
    DWORD nameLength = kEnumBufferSize;
    DWORD classLength = kEnumBufferSize;
    FILETIME written;
    const LONG status =
        RegEnumKeyExA(key(handle), static_cast<DWORD>(index), nameBuffer.data(), &nameLength,
                      nullptr, classBuffer.data(), &classLength, &written);
    // On a failure the name is left as it came in rather than filled with the buffer.
    if (status == ERROR_SUCCESS)
        name = ansi::toUnicode(nameBuffer.data(), nameLength);
    return status;
}

std::int32_t RegistryFunctions::KRVEmunRegKeys(std::int32_t& lvhandle, std::int32_t& lvcuridx,
                                               QString& lvkeyname) {
    return enumKey(lvhandle, lvcuridx, lvkeyname);
}

std::int32_t RegistryFunctions::KRVEmunRegValues(std::int32_t& lvhandle, std::int32_t& lvcuridx,
                                                 QString& lvkeyname, QString* lvkeydata) {
    std::vector<char> nameBuffer(kEnumBufferSize);
    std::vector<char> dataBuffer(kEnumBufferSize);
    DWORD nameLength = kEnumBufferSize;
    DWORD dataSize = kEnumBufferSize;
    DWORD type = REG_NONE;
    const LONG status =
        RegEnumValueA(key(lvhandle), static_cast<DWORD>(lvcuridx), nameBuffer.data(), &nameLength,
                      nullptr, &type, reinterpret_cast<BYTE*>(dataBuffer.data()), &dataSize);
    if (status == ERROR_SUCCESS) {
        lvkeyname = ansi::toUnicode(nameBuffer.data(), nameLength);
        // The data size of a text counts its NUL, which the caller receives too.
        if (lvkeydata)
            *lvkeydata = ansi::toUnicode(dataBuffer.data(), dataSize);
    }
    return status;
}

std::int32_t RegistryFunctions::KRVCloseRegKey(std::int32_t& lvhandle) {
    return RegCloseKey(key(lvhandle));
}

std::int32_t RegistryFunctions::KRVDeleteRegKey(std::int32_t& lnghandle, QString& strregkey) {
    return RegDeleteKeyA(key(lnghandle), ansi::fromUnicode(strregkey).constData());
}

std::int32_t RegistryFunctions::KRVDeleteRegValue(std::int32_t& lngkeyhandle,
                                                  QVariant& strregvaluename) {
    return RegDeleteValueA(key(lngkeyhandle),
                           ansi::fromUnicode(strregvaluename.toString()).constData());
}

std::int32_t RegistryFunctions::KRVQueryRegValue(std::int32_t& lvhandle, QString& lvkeyname,
                                                 QString& lvkeyvalue, QString& lvcreate) {
    const QByteArray subkey = ansi::fromUnicode(lvkeyname);
    std::vector<char> buffer(kValueBufferSize);
    LONG size = kValueBufferSize;
    const LONG status = RegQueryValueA(key(lvhandle), subkey.constData(), buffer.data(), &size);
    if (const auto text = readSingle(status, buffer, static_cast<DWORD>(size))) {
        lvkeyvalue = *text;
        return ERROR_SUCCESS;
    }
    if (!wantsCreate(lvcreate))
        return ERROR_SUCCESS;
    const QByteArray data = regSz(lvkeyvalue);
    return RegSetValueA(key(lvhandle), subkey.constData(), REG_SZ, data.constData(),
                        static_cast<DWORD>(data.size() - 1));
}

std::int32_t RegistryFunctions::KRVQuickGetRegEntry(std::int32_t& lvkey, QString& lvsubkey,
                                                    QString& lvkeyname, std::int32_t& lvaccess,
                                                    QString& lvcreateflag, std::int32_t& lvhandle,
                                                    QString& lvdefaultkeyvalue) {
    KRVOpenRegKey(lvkey, lvsubkey, lvkeyname, lvaccess, lvcreateflag, lvhandle);
    std::int32_t result = ERROR_SUCCESS;
    try {
        if (const auto text = queryValueEx(key(lvhandle), lvkeyname))
            result = textToLong(*text);
        else if (wantsCreate(lvcreateflag))
            result = KRVSetRegEntry(lvhandle, lvkeyname, lvdefaultkeyvalue);
    } catch (...) {
        KRVCloseRegKey(lvhandle); // the handle is not left open by a conversion error
        throw;
    }
    KRVCloseRegKey(lvhandle);
    return result;
}

std::int32_t RegistryFunctions::KRVEmunRegKeyValues(std::int32_t& lvhandle, std::int32_t& lvcuridx,
                                                    QString& lvkeyname, QString& lvkeyvalue) {
    QString name;
    const LONG enumStatus = enumKey(lvhandle, lvcuridx, name);
    if (enumStatus != ERROR_SUCCESS)
        return enumStatus;
    shell::MsgBox(QStringLiteral("found key name = ") + name, shell::vbOKOnly);
    lvkeyname = name;
    // The value named like the subkey, read through a buffer as long as that name.
    const QByteArray valueName = ansi::fromUnicode(name);
    std::vector<char> buffer(static_cast<size_t>(valueName.size()));
    DWORD size = static_cast<DWORD>(valueName.size());
    DWORD type = REG_NONE;
    const LONG status = RegQueryValueExA(key(lvhandle), valueName.constData(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (status == ERROR_SUCCESS && size > 1)
        lvkeyvalue = ansi::toUnicode(buffer.data(), static_cast<qsizetype>(size) - 1);
    return status;
}

QObject* KRVRegFLibrary::createObject(const QString& className) {
    if (className == QLatin1String("RegistryFunctions"))
        return new RegistryFunctions;
    return nullptr;
}
