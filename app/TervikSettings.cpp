#include "TervikApp.h"

#include "Settings.h"
#include "StringTable.h"

CTervikApp::CTervikApp() = default;
CTervikApp::~CTervikApp() = default;

CTervikApp& TheApp() {
    static CTervikApp app;
    return app;
}

int CTervikApp::GetRegDWord(const QString& subKey, const QString& name, uint32_t& value) {
    return TervikSettings::GetRegDWord(subKey, name, value);
}

int CTervikApp::SetRegDWord(const QString& subKey, const QString& name, uint32_t value) {
    return TervikSettings::SetRegDWord(subKey, name, value);
}

int CTervikApp::GetRegString(const QString& subKey, const QString& name, QString& value) {
    return TervikSettings::GetRegString(subKey, name, value);
}

int CTervikApp::SetRegString(const QString& subKey, const QString& name, const QString& value) {
    return TervikSettings::SetRegString(subKey, name, value);
}

int CTervikApp::LoadLanguage() {
    QString text;
    const int ok = GetRegString("", "Language", text);
    if (ok)
        m_nLanguage = text == QLatin1String("Russian") ? 1 : 0;
    SetUILanguage(m_nLanguage);
    return ok;
}

int CTervikApp::SaveLanguage(int language) {
    return TervikSettings::SaveLanguage(language);
}

QString CTervikApp::LoadUIString(int offset) const {
    return QString::fromStdString(UIString(offset, m_nLanguage));
}
