#include "qmtsetup.h"

#include "setupstrings.h"

void QMTSetUp::SetUp() {
    components::Component<IRegistryFunctions> registry(QStringLiteral("KRVRegF.RegistryFunctions"));
    std::int32_t root = 0x80000001; // HKEY_CURRENT_USER
    QString path = QStringLiteral("software\\KRV\\Quillmate\\ToolTipControls");
    QString keyClass = QStringLiteral("ToolTipControls");
    std::int32_t access = 0x2003F;
    QString create = QStringLiteral("Y");
    std::int32_t handle = 0;
    // Statuses are not looked at: a key that cannot be opened makes the writes fail quietly.
    registry->KRVOpenRegKey(root, path, keyClass, access, create, handle);
    for (int id = setupstrings::kFirstControlType; id <= setupstrings::kLastControlType; ++id) {
        QString name = setupstrings::LoadResString(id);
        QString data = name;
        registry->KRVSetRegEntry(handle, name, data);
    }
    registry->KRVCloseRegKey(handle);
}

QObject* QMTSetUpLibrary::createObject(const QString& className) {
    if (className == QLatin1String("QMTSetUp"))
        return new QMTSetUp;
    return nullptr;
}
