#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <cstdint>

// The settings that survive between runs, in QSettings("Quorvex", "Tervik").
// subKey "" is the base key; "Std" holds the standard conditions. Each returns
// 1 on success, 0 on failure (with the store's message box when it cannot be
// opened or written).
namespace TervikSettings {

int GetRegDWord(const QString& subKey, const QString& name, uint32_t& value);
int SetRegDWord(const QString& subKey, const QString& name, uint32_t value);
int GetRegString(const QString& subKey, const QString& name, QString& value);
int SetRegString(const QString& subKey, const QString& name, const QString& value);

// Several values written at once, with at most one message box: numbers as
// DWORDs (as SetRegDWord), anything else as text.
int SetRegValues(const QString& subKey, const QList<QPair<QString, QVariant>>& values);

// "Language" for the next start: "Russian" for 1, "English" for any other.
int SaveLanguage(int language);

} // namespace TervikSettings
