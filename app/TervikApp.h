#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>

class CTervikDlg;
class QLocalServer;

// The application object: settings that survive between runs, the interface
// language of this run, the single-instance guard and the start-up sequence.
class CTervikApp : public QObject {
    Q_OBJECT
  public:
    CTervikApp();
    ~CTervikApp() override;

    // The settings store, QSettings("Quorvex", "Tervik"). subKey "" is the base
    // key; "Std" holds the standard conditions. Each returns 1 on success, 0 on
    // failure (with the store's message box when it cannot be opened or written).
    int GetRegDWord(const QString& subKey, const QString& name, uint32_t& value);
    int SetRegDWord(const QString& subKey, const QString& name, uint32_t value);
    int GetRegString(const QString& subKey, const QString& name, QString& value);
    int SetRegString(const QString& subKey, const QString& name, const QString& value);

    // "Language": exactly "Russian" gives 1, any other text 0; a failed read
    // keeps m_nLanguage. Returns the read's result.
    int LoadLanguage();
    int SaveLanguage(int language);

    // Qt's own texts (standard buttons, file dialogs) in the interface
    // language; false when no translation of them is installed.
    static bool InstallQtTranslations(int language);

    // The interface string at offset in this run's language.
    QString LoadUIString(int offset) const;
    int GetLanguage() const { return m_nLanguage; }

    // The whole start-up with the program's arguments (the first is the
    // program itself); returns the process exit code.
    int InitInstance(const QStringList& arguments);

    // Caption of the main window in a language: title, " v", version.
    static QString MainCaption(int language);
    // Name of the guard's local socket: one per user (uid, or SID on
    // Windows) and program version.
    static QString GuardName();
    // Full path of the guard's socket: in XDG_RUNTIME_DIR when that is a
    // private folder, else in TMPDIR/tervik-<uid>, made private. Empty, with
    // unusable naming the folder, when that name is held by something else.
    // On Windows the name alone: a pipe that only this user may open.
    static QString GuardPath(QString* unusable = nullptr);
    // True when the other end of a connected local socket (a named pipe's
    // handle on Windows) runs as this process's effective user.
    static bool PeerIsThisUser(qintptr descriptor);

    // The main window, while it runs.
    CTervikDlg* MainDialog() const { return m_pMainDlg; }

  signals:
    // A second copy asked this one to come forward, and it did.
    void broughtForward();
    // The main window is about to run (tests hook here).
    void mainWindowReady(CTervikDlg* dlg);

  private:
    // true when start-up may go on; false when another copy was brought forward.
    bool GuardSingleInstance();
    void ListenForSecondCopies(const QString& path);
    // Tells the user that a second copy will not be noticed: path is in the way.
    void GuardOffMessage(const QString& path);
    void BringForward();

    int m_nLanguage = 0;
    QLocalServer* m_pGuard = nullptr;
    CTervikDlg* m_pMainDlg = nullptr;
};

// The one application object.
CTervikApp& TheApp();

// Main of the tervik executable (also run by test helpers).
int TervikMain(int argc, char** argv);
