#pragma once

#include <string_view>

// Where the archive layer sends the messages a user must see. The GUI shows
// them in message boxes, the command-line tool prints them, tests collect them.
class IReporter {
  public:
    virtual ~IReporter() = default;
    // uiOffset is the interface-string offset of the text, or 0 for a fixed
    // English text; englishText is always the English wording.
    virtual void ShowMessage(std::string_view englishText, int uiOffset) = 0;
};

// Prints each message on stderr, one line each.
class StderrReporter final : public IReporter {
  public:
    void ShowMessage(std::string_view englishText, int uiOffset) override;
};
