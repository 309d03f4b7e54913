#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message box, question, file dialog and folder chooser of the program
// goes through this interface, so each dialog flow can be scripted in tests.
class IPrompts {
  public:
    enum Button { NoButton = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8 };
    enum Icon { NoIcon, Information, Exclamation, Question, Error };

    // A file-dialog filter: its name as shown and its pattern.
    struct Filter {
        QString name;
        QString pattern;
    };

    virtual ~IPrompts() = default;

    // Shows text with the given buttons (an OR of Button); returns the button
    // chosen, Cancel (or No when there is no Cancel) when the box was closed.
    // defaultButton is the one Enter presses; NoButton leaves the choice to
    // the box.
    virtual Button Message(QWidget* parent, const QString& text, int buttons, Icon icon,
                           Button defaultButton = NoButton) = 0;

    // File dialogs: true and the chosen path on OK. defaultExt (no dot) is
    // appended to a typed name that has no extension. filterIndex, when
    // given, receives the 1-based index of the filter entry chosen.
    virtual bool OpenFile(QWidget* parent, const QList<Filter>& filters, const QString& defaultExt,
                          QString& path) = 0;
    // Several files at once: true and the chosen paths on OK. Prompts that
    // offer one file at a time give the one OpenFile gives.
    virtual bool OpenFiles(QWidget* parent, const QList<Filter>& filters, const QString& defaultExt,
                           QStringList& paths) {
        QString path;
        if (!OpenFile(parent, filters, defaultExt, path))
            return false;
        paths = QStringList{path};
        return true;
    }
    virtual bool SaveFile(QWidget* parent, const QList<Filter>& filters, const QString& defaultExt,
                          const QString& initialName, QString& path, int* filterIndex = nullptr) = 0;

    // Folder chooser: true and the folder's path when one was chosen.
    virtual bool ChooseFolder(QWidget* parent, const QString& caption, const QString& startFolder,
                              QString& path) = 0;
};

// The prompts in use: real dialogs unless a test installed others. A file
// chosen through them makes its folder the one the next file dialog opens in.
IPrompts& Prompts();
// Installs prompts (not owned); nullptr restores the real dialogs.
void SetPrompts(IPrompts* prompts);

// The folder the file dialogs open in: the one last used; empty for the
// working folder.
QString FileDialogFolder();
void SetFileDialogFolder(const QString& folder);
