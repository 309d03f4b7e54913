// Settings over QSettings, the interface language and its dialog, and the
// string table's two blocks.
#include "LangDlg.h"
#include "ScriptedPrompts.h"
#include "StringTable.h"
#include "TervikApp.h"

#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

class TestAppSettings : public QObject {
    Q_OBJECT

    static QString StoreFile() { return qEnvironmentVariable("XDG_CONFIG_HOME") + "/Quorvex/Tervik.conf"; }
    static QString Stored(const QString& key) {
        QSettings s("Quorvex", "Tervik");
        return s.value(key).toString();
    }

  private slots:
    // Runs first of all: the translation stays installed for the process.
    void qtButtonsSpeakTheInterfaceLanguage() {
        QMessageBox english;
        english.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(english.button(QMessageBox::Yes)->text(), QString("&Yes"));
        QVERIFY(CTervikApp::InstallQtTranslations(0)); // English needs nothing
        QVERIFY(CTervikApp::InstallQtTranslations(1));
        QMessageBox russian;
        russian.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(russian.button(QMessageBox::Yes)->text(), QString::fromUtf8("&Да"));
    }
    void init() {
        QVERIFY(!qEnvironmentVariable("XDG_CONFIG_HOME").isEmpty());
        QSettings("Quorvex", "Tervik").clear();
        QDir(StoreFile()).removeRecursively();
        QFile::remove(StoreFile());
    }

    void readsFailWithoutStoreAndLeaveTargets() {
        ScriptedPrompts prompts; // any message box would fail the test
        CTervikApp app;
        uint32_t temp = 200;
        QCOMPARE(app.GetRegDWord("Std", "Temp", temp), 0);
        QCOMPARE(temp, 200u);
        QString text = "previous";
        QCOMPARE(app.GetRegString("", "Language", text), 0);
        QCOMPARE(text, QString());
        QCOMPARE(app.LoadLanguage(), 0);
        QCOMPARE(app.GetLanguage(), 0);
        QVERIFY(prompts.messages.isEmpty());
    }

    void valuesRoundTripUnderTheirNames() {
        ScriptedPrompts prompts;
        CTervikApp app;
        QCOMPARE(app.SetRegDWord("Std", "Temp", static_cast<uint32_t>(-55)), 1);
        QCOMPARE(app.SetRegDWord("Std", "Pres", 742), 1);
        QCOMPARE(app.SaveLanguage(1), 1);
        // The sub-key Std holds Temp and Pres, the base key Language.
        QCOMPARE(Stored("Std/Temp"), QString("4294967241")); // a DWORD, as the registry keeps it
        QCOMPARE(Stored("Std/Pres"), QString("742"));
        QCOMPARE(Stored("Language"), QString("Russian"));
        uint32_t v = 0;
        QCOMPARE(app.GetRegDWord("Std", "Temp", v), 1);
        QCOMPARE(static_cast<int32_t>(v), -55);
        QCOMPARE(app.SaveLanguage(0), 1);
        QCOMPARE(Stored("Language"), QString("English"));
        QCOMPARE(app.SaveLanguage(-1), 1);
        QCOMPARE(Stored("Language"), QString("English"));
        QVERIFY(prompts.messages.isEmpty());
    }

    void languageTextIsCaseSensitive_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("language");
        QTest::newRow("Russian") << QByteArray("Russian") << 1;
        QTest::newRow("russian") << QByteArray("russian") << 0;
        QTest::newRow("RUSSIAN") << QByteArray("RUSSIAN") << 0;
        QTest::newRow("English") << QByteArray("English") << 0;
        QTest::newRow("German") << QByteArray("German") << 0;
    }
    void languageTextIsCaseSensitive() {
        QFETCH(QByteArray, stored);
        QFETCH(int, language);
        QSettings("Quorvex", "Tervik").setValue("Language", QString(stored));
        CTervikApp app;
        QCOMPARE(app.LoadLanguage(), 1);
        QCOMPARE(app.GetLanguage(), language);
        QCOMPARE(app.LoadUIString(2), language == 1 ? QString::fromUtf8("Данные") : QString("Data"));
    }

    void unwritableStoreShowsTheEnglishMessage() {
        // A directory where the store's file should be: nothing can be written.
        QDir().mkpath(StoreFile());
        ScriptedPrompts prompts;
        CTervikApp app;
        app.SetRegDWord("Std", "Temp", 215);
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY2(prompts.messages[0] == "Could not set the key." ||
                     prompts.messages[0] == "Could not create the registry key.",
                 qPrintable(prompts.messages[0]));
        QCOMPARE(app.SetRegDWord("Std", "Temp", 215), 0);
        QCOMPARE(app.SaveLanguage(1), 0);
        QDir(StoreFile()).removeRecursively();
    }

    void stringTableBlocksAreComplete() {
        QCOMPARE(QString(StringTableEntry(999)), QString("1.61"));
        QCOMPARE(QString(StringTableEntry(1000)),
                 QString("---------- ENGLISH STRING BLOCK STARTS HERE ----------"));
        QCOMPARE(QString(StringTableEntry(2000)),
                 QString("---------- RUSSIAN STRING BLOCK STARTS HERE ----------"));
        for (int offset = 1; offset <= 144; ++offset) {
            const bool present = offset <= 56 || offset >= 101;
            QCOMPARE(StringTableEntry(1000 + offset) != nullptr, present);
            QCOMPARE(StringTableEntry(2000 + offset) != nullptr, present);
            if (present) {
                QVERIFY(!UIString(offset, 0).empty());
                QVERIFY(!UIString(offset, 1).empty());
            }
        }
        // Trailing blanks belong to the texts.
        QVERIFY(UIString(54, 1).back() == ' ');
        QVERIFY(UIString(115, 1).back() == ' ');
        QCOMPARE(QString::fromStdString(UIString(144, 0)),
                 QString("Some data are read from device but not saved. Replace them?"));
        QCOMPARE(QString::fromStdString(UIString(144, 1)),
                 QString::fromUtf8("Считанные из прибора данные не сохранены на диск. Заменить их?"));
        QCOMPARE(QString::fromStdString(UIString(36, 0)), QString::fromStdString(UIString(36, 1)));
        // Any language but 1 is English.
        QCOMPARE(UIString(2, 7), std::string("Data"));
        QCOMPARE(CTervikApp::MainCaption(0), QString("Tervik v1.61"));
        QCOMPARE(CTervikApp::MainCaption(1), QString("Tervik v1.61"));
    }

    void languageDialog_data() {
        QTest::addColumn<int>("running");
        QTest::newRow("English") << 0;
        QTest::newRow("Russian") << 1;
    }
    void languageDialog() {
        QFETCH(int, running);
        QSettings("Quorvex", "Tervik").setValue("Language", running == 1 ? "Russian" : "English");
        TheApp().LoadLanguage();
        QCOMPARE(TheApp().GetLanguage(), running);
        {
            CLangDlg dlg;
            QCOMPARE(dlg.windowTitle(),
                     running == 1 ? QString::fromUtf8("Язык / Language") : QString("Language / Язык"));
            QCOMPARE(dlg.LanguageList()->count(), 2);
            QCOMPARE(dlg.LanguageList()->itemText(0), QString("English"));
            QCOMPARE(dlg.LanguageList()->itemText(1),
                     running == 1 ? QString::fromUtf8("Русский") : QString("Russian"));
            QCOMPARE(dlg.LanguageList()->currentIndex(), running);
            QCOMPARE(dlg.findChild<QPushButton*>("1")->text(), QString("OK"));
            QCOMPARE(dlg.findChild<QPushButton*>("2")->text(), QString("Cancel"));
            // Cancel stores nothing.
            dlg.LanguageList()->setCurrentIndex(1 - running);
            dlg.findChild<QPushButton*>("2")->click();
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
            QCOMPARE(Stored("Language"), running == 1 ? QString("Russian") : QString("English"));
        }
        {
            CLangDlg dlg;
            dlg.LanguageList()->setCurrentIndex(1 - running);
            dlg.findChild<QPushButton*>("1")->click();
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QCOMPARE(Stored("Language"), running == 1 ? QString("English") : QString("Russian"));
            // The running program keeps its language.
            QCOMPARE(TheApp().GetLanguage(), running);
        }
    }
};

QTEST_MAIN(TestAppSettings)
#include "test_app_settings.moc"
