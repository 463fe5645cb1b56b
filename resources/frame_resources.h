#pragma once

#include <array>

#include "resources/string_ids.h"

// The main window's menu, toolbar and keyboard accelerators, as data that a front end turns into
// its own widgets.
namespace sonaro {

// No command: a separator in a menu or on the toolbar.
constexpr unsigned kSeparator = 0;

struct MenuItem {
    const char* text;  // with its '&' mnemonic and, after a tab, the shortcut text
    unsigned command;  // kSeparator for a separator line
};

struct MenuPopup {
    const char* title;
    const MenuItem* items;
    int count;
};

constexpr MenuItem kFileMenu[] = {
    {"&Open...\tCtrl+O", ID_FILE_OPEN},
    {"&Import...\tCtrl+I", ID_FILE_IMPORT},
    {"&Convert Several Files...\tCtrl+B", ID_FILE_CONVERT_SEVERAL},
    {"Save &As...", ID_FILE_SAVE_AS},
    {nullptr, kSeparator},
    {"E&xit", ID_APP_EXIT},
};
constexpr MenuItem kConvertMenu[] = {
    {"&Convert", ID_CONVERT},
    {nullptr, kSeparator},
    {"&Settings...", ID_SETTINGS},
};
constexpr MenuItem kHelpMenu[] = {
    {"&Help Topics", ID_HELP_TOPICS},
    {nullptr, kSeparator},
    {"&About Sonaro...", ID_APP_ABOUT},
};

constexpr std::array<MenuPopup, 3> kMainMenu = {{
    {"&File", kFileMenu, static_cast<int>(std::size(kFileMenu))},
    {"&Convert", kConvertMenu, static_cast<int>(std::size(kConvertMenu))},
    {"&Help", kHelpMenu, static_cast<int>(std::size(kHelpMenu))},
}};

// Toolbar buttons in order; each button's image is the next one of the toolbar's image strip.
constexpr std::array<unsigned, 7> kToolbarButtons = {
    ID_FILE_OPEN, ID_FILE_SAVE_AS, kSeparator, ID_CONVERT, kSeparator, ID_PLAY, ID_STOP,
};
constexpr int kToolbarImageWidth = 16;
constexpr int kToolbarImageHeight = 15;

struct Accelerator {
    const char* keys;  // in the portable form "Ctrl+O"
    unsigned command;
};

constexpr std::array<Accelerator, 6> kAccelerators = {{
    {"Ctrl+O", ID_FILE_OPEN},
    {"Ctrl+I", ID_FILE_IMPORT},
    {"Ctrl+B", ID_FILE_CONVERT_SEVERAL},
    {"Ctrl+S", ID_FILE_SAVE},
    {"F6", ID_NEXT_PANE},
    {"Shift+F6", ID_PREV_PANE},
}};

// Help contexts.
constexpr int kHelpContextTopics = 1;
constexpr int kHelpContextSettings = 2;
constexpr int kHelpContextBatch = 3;  // the batch window

}  // namespace sonaro
