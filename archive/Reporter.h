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

// Drops every message: the reporter of an archive nobody gave one, so the
// core itself never prints. The GUI and the command-line tool set theirs.
class SilentReporter final : public IReporter {
  public:
    void ShowMessage(std::string_view, int) override {}
};
