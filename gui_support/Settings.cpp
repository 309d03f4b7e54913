#include "Settings.h"

#include "Prompts.h"

#include <QSettings>

namespace {

QString KeyOf(const QString& subKey, const QString& name) {
    return subKey.isEmpty() ? name : subKey + "/" + name;
}

void RegistryMessage(const char* text) {
    // These stay English in both languages.
    Prompts().Message(nullptr, QString::fromLatin1(text), IPrompts::Ok, IPrompts::Exclamation);
}

constexpr const char* kCannotOpen = "Could not create the registry key.";
constexpr const char* kCannotSet = "Could not set the key.";

// A store that cannot be parsed cannot be opened; one that cannot be written
// to fails the writers at open time.
bool OpenForRead(QSettings& s) {
    if (s.status() == QSettings::FormatError) {
        RegistryMessage(kCannotOpen);
        return false;
    }
    return true;
}

bool OpenForWrite(QSettings& s) {
    if (s.status() == QSettings::FormatError || !s.isWritable()) {
        RegistryMessage(kCannotOpen);
        return false;
    }
    return true;
}

bool Commit(QSettings& s) {
    s.sync();
    if (s.status() != QSettings::NoError) {
        RegistryMessage(kCannotSet);
        return false;
    }
    return true;
}

// A 32-bit number as stored: REG_DWORD in the registry (QSettings writes an
// unsigned int so); elsewhere a plain number.
QVariant DWordValue(uint32_t value) {
#ifdef _WIN32
    return QVariant(static_cast<uint>(value));
#else
    return QVariant(static_cast<qlonglong>(value));
#endif
}

// The value buffer holds 260 UTF-16 code units, terminator included.
constexpr int kStringBufferUnits = 260;

} // namespace

namespace TervikSettings {

int GetRegDWord(const QString& subKey, const QString& name, uint32_t& value) {
    QSettings s("Quorvex", "Tervik");
    if (!OpenForRead(s))
        return 0;
    const QVariant v = s.value(KeyOf(subKey, name));
    if (!v.isValid())
        return 0;
    // The stored type is not looked at; any number that fits 32 bits will do.
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok || n < INT32_MIN || n > UINT32_MAX)
        return 0;
    value = static_cast<uint32_t>(n);
    return 1;
}

int SetRegDWord(const QString& subKey, const QString& name, uint32_t value) {
    QSettings s("Quorvex", "Tervik");
    if (!OpenForWrite(s))
        return 0;
    s.setValue(KeyOf(subKey, name), DWordValue(value));
    return Commit(s) ? 1 : 0;
}

int GetRegString(const QString& subKey, const QString& name, QString& value) {
    value.clear();
    QSettings s("Quorvex", "Tervik");
    if (!OpenForRead(s))
        return 0;
    const QVariant v = s.value(KeyOf(subKey, name));
    if (!v.isValid() || !v.canConvert<QString>())
        return 0;
    const QString text = v.toString();
    if (text.size() + 1 > kStringBufferUnits)
        return 0;
    value = text;
    return 1;
}

int SetRegString(const QString& subKey, const QString& name, const QString& value) {
    QSettings s("Quorvex", "Tervik");
    if (!OpenForWrite(s))
        return 0;
    s.setValue(KeyOf(subKey, name), value);
    return Commit(s) ? 1 : 0;
}

int SetRegValues(const QString& subKey, const QList<QPair<QString, QVariant>>& values) {
    QSettings s("Quorvex", "Tervik");
    if (!OpenForWrite(s))
        return 0;
    for (const auto& [name, value] : values) {
        if (value.typeId() == QMetaType::Int)
            s.setValue(KeyOf(subKey, name), DWordValue(static_cast<uint32_t>(value.toInt())));
        else
            s.setValue(KeyOf(subKey, name), value);
    }
    return Commit(s) ? 1 : 0;
}

int SaveLanguage(int language) {
    return SetRegString("", "Language", language == 1 ? "Russian" : "English");
}

} // namespace TervikSettings
