#pragma once
// Every reading option declared once: its key in the settings file, its command-line flag, its
// widget in General Settings, its key in inspect's JSON, its help sentence and the phrase the
// format detector uses when it proposes it. The settings file, the dialog, the command line and
// inspect walk this table; what an option does stays with the code that reads the file. The
// defaults are those of ReadOptions.
#include "read_options.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

// A text that belongs to a switch and counts only while the switch is on: the comment prefix,
// the missing-value tokens.
struct ReadingOptionValue {
    std::string_view iniKey{};     // "CommentPrefix"
    std::string_view jsonKey{};    // "comment_prefix"
    std::string_view cliName{};    // "PREFIX": given as --FLAG=PREFIX
    std::string_view widgetName{}; // the dialog's line edit
    std::string_view label{};      // the line edit's accessible name
    std::string_view toolTip{};    // empty: none
    bool below = false;            // in the dialog, on a row of its own under the switch, else beside it
    // Exactly one of the two: one text (empty stands for the default), or a list of tokens.
    std::string ReadOptions::*text = nullptr;
    std::vector<std::string> ReadOptions::*tokens = nullptr;
};

// One word of a choice, with the detector's phrase for proposing it.
struct ReadingChoiceWord {
    std::string_view word{};    // settings file, dialog and JSON: "Comma"
    std::string_view finding{}; // "decimal commas"; empty: never proposed
};

struct ReadingOption {
    std::string_view id{};      // the ReadOptions member
    std::string_view iniKey{};  // in the settings file's [Reading] section
    std::string_view cliFlag{}; // "robust-sample"; empty: not on the command line (switches only)
    std::string_view jsonKey{}; // in inspect's proposal
    // The dialog's check box, or combo box (its caption is named "Lab" + the name after "CBox").
    std::string_view widgetName{};
    std::string_view label{};   // the check box's text or the combo box's caption
    std::string_view toolTip{}; // empty: none
    std::string_view help{};    // the command line's help; %1 stands for the value's default
    std::span<const ReadingChoiceWord> choices{}; // empty for a switch
    int (*get)(const ReadOptions&) = nullptr;     // a switch gives 0 or 1, a choice the index of its word
    void (*set)(ReadOptions&, int) = nullptr;
    const ReadingOptionValue* value = nullptr;
    // The detector's phrase when it turns the switch on; empty: none, or it words its own.
    std::string_view finding{};
    // Above 0: the option is a number from 0 to this (a spin box, an integer, --FLAG N) rather
    // than a switch or a choice.
    int maxNumber = 0;

    bool isSwitch() const { return choices.empty() && maxNumber == 0; }
    bool isNumber() const { return maxNumber > 0; }
    // The detector's phrase for the option as `proposed` has it.
    std::string_view findingFor(const ReadOptions& proposed) const;
};

// The options in the order the dialog, the settings file and the command line list them.
std::span<const ReadingOption> readingOptions();
// The option with that id; an unknown id is a programming error and aborts.
const ReadingOption& readingOption(std::string_view id);

// The value as the settings file and the dialog hold it, and back. A text left empty gives the
// default; tokens are separated by blanks, one holding a blank or a quote in double quotes.
std::string valueText(const ReadingOptionValue& value, const ReadOptions& options);
void setValueText(const ReadingOptionValue& value, ReadOptions& options, std::string_view text);

// Tokens separated by blanks, a token holding a blank or a quote in double quotes ("" for a
// quote), so any token a cell can hold reads back as it was; and back.
std::string tokenListText(const std::vector<std::string>& tokens);
std::vector<std::string> parseTokenList(std::string_view text);

} // namespace varnotile
