#pragma once

#include <array>

// The help topics that the dialogs' Help buttons ask for, and the page and heading of the
// manual (help/) that answers each one. Dialogs name a topic by its number; the help
// window and the browser open the page of the number.
namespace vistrel {

namespace helptopic {
inline constexpr int Contents = 0;
inline constexpr int SaveFormat = 24;
inline constexpr int SaveContinuous = 26;
inline constexpr int SaveMail = 28;
inline constexpr int OptionsGeneral = 30;
inline constexpr int OptionsFileList = 32;
inline constexpr int OptionsHistory = 34;
inline constexpr int OptionsColours = 36;
inline constexpr int OptionsTrimming = 38;
inline constexpr int OptionsPrinting = 40;
inline constexpr int OptionsHeader = 42;
inline constexpr int OptionsTools = 44;
inline constexpr int TrimWizard = 50;
inline constexpr int ImageSize = 52;
inline constexpr int Hotkeys = 54;
// The colour change has a page of its own rather than sharing the image size's.
inline constexpr int ColourChange = 56;
} // namespace helptopic

struct HelpTopic {
    int number;
    const char* page;   // file name inside the help folder
    const char* anchor; // id of the heading on that page; empty for the top of the page
};

inline constexpr std::array<HelpTopic, 16> HelpTopicTable{{
    {helptopic::Contents, "index.html", ""},
    {helptopic::SaveFormat, "savesettings.html", "format"},
    {helptopic::SaveContinuous, "savesettings.html", "autosave"},
    {helptopic::SaveMail, "savesettings.html", "mail"},
    {helptopic::OptionsGeneral, "options.html", "general"},
    {helptopic::OptionsFileList, "options.html", "filelist"},
    {helptopic::OptionsHistory, "options.html", "history"},
    {helptopic::OptionsColours, "options.html", "colour"},
    {helptopic::OptionsTrimming, "options.html", "trim"},
    {helptopic::OptionsPrinting, "options.html", "print"},
    {helptopic::OptionsHeader, "options.html", "header"},
    {helptopic::OptionsTools, "options.html", "tools"},
    {helptopic::TrimWizard, "trim.html", ""},
    {helptopic::ImageSize, "resize.html", "resize"},
    {helptopic::Hotkeys, "hotkey.html", ""},
    {helptopic::ColourChange, "color.html", "colour"},
}};

// The entry of `number`; topics nobody defined fall back to the contents.
constexpr const HelpTopic& FindHelpTopic(int number)
{
    for (const HelpTopic& topic : HelpTopicTable)
        if (topic.number == number)
            return topic;
    return HelpTopicTable[0];
}

} // namespace vistrel
