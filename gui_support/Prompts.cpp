#include "Prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

QString QtFilter(const QList<IPrompts::Filter>& filters) {
    QStringList parts;
    for (const IPrompts::Filter& f : filters) {
        // Qt reads the patterns from the parentheses at the end of the name.
        if (f.name.endsWith("(" + f.pattern + ")"))
            parts << f.name;
        else
            parts << f.name + " (" + f.pattern + ")";
    }
    return parts.join(";;");
}

QString g_folder;

class DialogPrompts final : public IPrompts {
  public:
    Button Message(QWidget* parent, const QString& text, int buttons, Icon icon,
                   Button defaultButton) override {
        // A dialog still initialising is not on the screen yet: the box goes
        // over the window the user sees instead of the screen's corner.
        while (parent && !parent->isVisible() && parent->parentWidget())
            parent = parent->parentWidget();
        QMessageBox box(parent);
        box.setWindowTitle(QApplication::applicationDisplayName());
        box.setText(text);
        switch (icon) {
        case Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case NoIcon:
            break;
        }
        QMessageBox::StandardButtons qb;
        if (buttons & Ok)
            qb |= QMessageBox::Ok;
        if (buttons & Cancel)
            qb |= QMessageBox::Cancel;
        if (buttons & Yes)
            qb |= QMessageBox::Yes;
        if (buttons & No)
            qb |= QMessageBox::No;
        box.setStandardButtons(qb ? qb : QMessageBox::Ok);
        switch (defaultButton) {
        case Ok:
            box.setDefaultButton(QMessageBox::Ok);
            break;
        case Cancel:
            box.setDefaultButton(QMessageBox::Cancel);
            break;
        case Yes:
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case No:
            box.setDefaultButton(QMessageBox::No);
            break;
        case NoButton:
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Ok:
            return Ok;
        case QMessageBox::Yes:
            return Yes;
        case QMessageBox::No:
            return No;
        default:
            return (buttons & Cancel) || !(buttons & No) ? Cancel : No;
        }
    }

    bool OpenFile(QWidget* parent, const QList<Filter>& filters, const QString& defaultExt,
                  QString& path) override {
        QFileDialog dlg(parent, QString(), g_folder);
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::ExistingFile);
        dlg.setNameFilter(QtFilter(filters));
        dlg.setDefaultSuffix(defaultExt);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return false;
        path = dlg.selectedFiles().first();
        return true;
    }

    bool OpenFiles(QWidget* parent, const QList<Filter>& filters, const QString& defaultExt,
                   QStringList& paths) override {
        QFileDialog dlg(parent, QString(), g_folder);
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::ExistingFiles);
        dlg.setNameFilter(QtFilter(filters));
        dlg.setDefaultSuffix(defaultExt);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return false;
        paths = dlg.selectedFiles();
        return true;
    }

    bool SaveFile(QWidget* parent, const QList<Filter>& filters, const QString& defaultExt,
                  const QString& initialName, QString& path, int* filterIndex) override {
        QFileDialog dlg(parent, QString(), g_folder);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        dlg.setNameFilter(QtFilter(filters));
        dlg.setDefaultSuffix(defaultExt);
        // With several file types the appended extension follows the type
        // chosen, so a typed name without one gets what the filter says.
        if (!defaultExt.isEmpty())
            QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg,
                             [&dlg, filters](const QString& chosen) {
                                 const qsizetype i = dlg.nameFilters().indexOf(chosen);
                                 if (i >= 0 && i < filters.size() && filters[i].pattern.startsWith("*.") &&
                                     filters[i].pattern.indexOf('*', 1) < 0)
                                     dlg.setDefaultSuffix(filters[i].pattern.mid(2));
                             });
        dlg.selectFile(initialName);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return false;
        path = dlg.selectedFiles().first();
        if (filterIndex)
            *filterIndex = static_cast<int>(dlg.nameFilters().indexOf(dlg.selectedNameFilter())) + 1;
        return true;
    }

    bool ChooseFolder(QWidget* parent, const QString& caption, const QString& startFolder,
                      QString& path) override {
        const QString dir =
            QFileDialog::getExistingDirectory(parent, caption, startFolder, QFileDialog::ShowDirsOnly);
        if (dir.isEmpty() || !QFileInfo(dir).isDir())
            return false;
        path = dir;
        return true;
    }
};

DialogPrompts g_dialogPrompts;
IPrompts* g_prompts = nullptr;

// Every caller's file dialogs pass through here, so the folder of a chosen
// file is remembered whoever asked (the main window or the chart's picture
// export) and whichever prompts answer.
class FolderKeepingPrompts final : public IPrompts {
  public:
    Button Message(QWidget* parent, const QString& text, int buttons, Icon icon,
                   Button defaultButton) override {
        return Target().Message(parent, text, buttons, icon, defaultButton);
    }
    bool OpenFile(QWidget* parent, const QList<Filter>& filters, const QString& defaultExt,
                  QString& path) override {
        return Keep(Target().OpenFile(parent, filters, defaultExt, path), path);
    }
    bool OpenFiles(QWidget* parent, const QList<Filter>& filters, const QString& defaultExt,
                   QStringList& paths) override {
        const bool chosen = Target().OpenFiles(parent, filters, defaultExt, paths);
        return Keep(chosen, chosen ? paths.value(0) : QString());
    }
    bool SaveFile(QWidget* parent, const QList<Filter>& filters, const QString& defaultExt,
                  const QString& initialName, QString& path, int* filterIndex) override {
        return Keep(Target().SaveFile(parent, filters, defaultExt, initialName, path, filterIndex), path);
    }
    bool ChooseFolder(QWidget* parent, const QString& caption, const QString& startFolder,
                      QString& path) override {
        return Target().ChooseFolder(parent, caption, startFolder, path);
    }

  private:
    static IPrompts& Target() { return g_prompts ? *g_prompts : g_dialogPrompts; }
    static bool Keep(bool chosen, const QString& path) {
        if (chosen && !path.isEmpty())
            g_folder = QFileInfo(path).absolutePath();
        return chosen;
    }
};

FolderKeepingPrompts g_keepingPrompts;

} // namespace

IPrompts& Prompts() {
    return g_keepingPrompts;
}

void SetPrompts(IPrompts* prompts) {
    g_prompts = prompts;
}

QString FileDialogFolder() {
    return g_folder;
}

void SetFileDialogFolder(const QString& folder) {
    g_folder = folder;
}
