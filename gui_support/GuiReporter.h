#pragma once

#include "Reporter.h"

#include <QString>

class QWidget;

// Shows the archive layer's messages in message boxes through Prompts(),
// in the interface language when the message has an interface string; with
// a subject (a file's name), as "<subject>: <message>".
class GuiReporter final : public IReporter {
  public:
    explicit GuiReporter(QWidget* parent = nullptr, QString subject = {})
        : m_parent(parent), m_subject(std::move(subject)) {}
    void ShowMessage(std::string_view englishText, int uiOffset) override;

  private:
    QWidget* m_parent;
    QString m_subject;
};
