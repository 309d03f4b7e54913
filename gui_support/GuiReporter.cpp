#include "GuiReporter.h"

#include "Prompts.h"
#include "StringTable.h"

#include <QString>

void GuiReporter::ShowMessage(std::string_view englishText, int uiOffset) {
    const QString text =
        uiOffset != 0 ? QString::fromStdString(LoadUIString(uiOffset))
                      : QString::fromUtf8(englishText.data(), static_cast<qsizetype>(englishText.size()));
    Prompts().Message(m_parent, m_subject.isEmpty() ? text : m_subject + ": " + text, IPrompts::Ok,
                      IPrompts::Exclamation);
}
