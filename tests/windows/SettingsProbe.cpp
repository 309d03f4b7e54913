// tervik-gui-tests settings_probe FILE: stores every setting the way the main
// window does when a user works it: opens FILE through the File button (the
// last folder), sets the standard conditions to -5.5 and 742 in Setup, picks
// Russian in the language dialog and leaves by Exit (the window's place).
// tools/test-windows.sh reads them back from the registry.

#include "ScriptedPrompts.h"
#include "TervikDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

// Clicks opener and runs body on the modal dialog it opens; false when none
// opened.
bool OnModal(QPushButton* opener, const std::function<void(QDialog&)>& body) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            seen = true;
            body(*dlg);
        }
    });
    opener->click();
    return seen;
}

} // namespace

int tervik_settings_probe_main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: tervik-gui-tests settings_probe FILE\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    ScriptedPrompts prompts; // the note after the language change is answered OK
    DocumentWindow dlg;
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg))
        return 1;
    auto button = [&](const char* id) { return dlg.findChild<QPushButton*>(QString::fromLatin1(id)); };
    prompts.fileAnswers = {QString::fromLocal8Bit(argv[1])};
    button("1008")->click();
    const bool setup = OnModal(button("1032"), [](QDialog& d) {
        d.findChild<QLineEdit*>("1031")->setText("-5.5");
        d.findChild<QLineEdit*>("1032")->setText("742");
        d.findChild<QPushButton*>("1")->click();
    });
    const bool language = OnModal(button("1024"), [](QDialog& d) {
        d.findChild<QComboBox*>("1023")->setCurrentIndex(1);
        d.findChild<QPushButton*>("1")->click();
    });
    button("1")->click();
    const bool ok = setup && language && dlg.StdTemp() == -55 && dlg.StdPres() == 742 && !dlg.isVisible() &&
                    prompts.messages.size() == 1;
    if (!ok)
        std::fprintf(stderr, "settings_probe: setup %d, language %d, conditions %d/%d, messages: %s\n", setup,
                     language, dlg.StdTemp(), dlg.StdPres(), qPrintable(prompts.messages.join(" | ")));
    return ok ? 0 : 1;
}
