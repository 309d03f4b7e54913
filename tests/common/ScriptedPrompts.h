#pragma once

// Prompts that answer from a script and record what was asked.

#include "Prompts.h"

#include <QStringList>
#include <deque>
#include <stdexcept>

class ScriptedPrompts final : public IPrompts {
  public:
    ScriptedPrompts() { SetPrompts(this); }
    ~ScriptedPrompts() override { SetPrompts(nullptr); }

    // Answers, consumed in order; an unexpected prompt fails the test.
    std::deque<Button> messageAnswers;
    std::deque<QString> fileAnswers;   // empty string: the dialog is cancelled
    std::deque<QString> folderAnswers; // empty string: cancelled
    std::deque<int> filterAnswers;     // chosen filter entries (1-based); 1 when none is scripted

    QStringList messages;    // texts shown
    QList<Button> defaults;  // the default button asked for with each text
    QStringList fileDialogs; // "open:<ext>" / "save:<ext>:<initial name>"
    QList<QList<Filter>> filters;

    Button Message(QWidget*, const QString& text, int buttons, Icon, Button defaultButton) override {
        messages << text;
        defaults << defaultButton;
        if (messageAnswers.empty()) {
            if (buttons == Ok)
                return Ok;
            throw std::runtime_error("unexpected question: " + text.toStdString());
        }
        const Button b = messageAnswers.front();
        messageAnswers.pop_front();
        return b;
    }
    bool OpenFile(QWidget*, const QList<Filter>& f, const QString& ext, QString& path) override {
        fileDialogs << "open:" + ext;
        filters << f;
        return Take(fileAnswers, path);
    }
    bool SaveFile(QWidget*, const QList<Filter>& f, const QString& ext, const QString& initial, QString& path,
                  int* filterIndex) override {
        fileDialogs << "save:" + ext + ":" + initial;
        filters << f;
        int chosen = 1;
        if (!filterAnswers.empty()) {
            chosen = filterAnswers.front();
            filterAnswers.pop_front();
        }
        if (filterIndex)
            *filterIndex = chosen;
        return Take(fileAnswers, path);
    }
    bool ChooseFolder(QWidget*, const QString& caption, const QString&, QString& path) override {
        fileDialogs << "folder:" + caption;
        return Take(folderAnswers, path);
    }

  private:
    static bool Take(std::deque<QString>& answers, QString& path) {
        if (answers.empty())
            throw std::runtime_error("unexpected dialog");
        path = answers.front();
        answers.pop_front();
        return !path.isEmpty();
    }
};
