#pragma once

#include "Reporter.h"

class QWidget;

// Shows the archive layer's messages in message boxes through Prompts(),
// in the interface language when the message has an interface string.
class GuiReporter final : public IReporter {
  public:
    explicit GuiReporter(QWidget* parent = nullptr) : m_parent(parent) {}
    void ShowMessage(std::string_view englishText, int uiOffset) override;

  private:
    QWidget* m_parent;
};
