// The help window: the page of each help context, and its owner while a modal dialog is up.
#include <gtest/gtest.h>

#include <QDialog>

#include "app/help_window.h"
#include "tests/gui/modal_script.h"

namespace sonaro {
namespace {

TEST(HelpWindowTest, ContextsOpenTheirPages) {
    QWidget main;
    HelpService help;
    help.SetMainWindow(&main);
    help.ShowHelp(1);
    ASSERT_NE(help.window(), nullptr);
    EXPECT_EQ(help.window()->currentTitle(), "Sonaro Help Topics");
    EXPECT_EQ(help.window()->parentWidget(), &main);
    HelpWindow* first = help.window();
    help.ShowHelp(2);
    EXPECT_EQ(help.window(), first) << "one help window is reused";
    EXPECT_EQ(help.window()->currentTitle(), "The Settings dialog");
    EXPECT_TRUE(help.window()->currentPage().toString().endsWith("settings.html"));
    help.ShowHelp(3);
    EXPECT_EQ(help.window()->currentTitle(), "Converting several files");
}

TEST(HelpWindowTest, BelongsToTheModalDialogThatAskedForIt) {
    QWidget main;
    HelpService help;
    help.SetMainWindow(&main);
    QDialog dialog(&main);
    QWidget* owner = nullptr;
    bool visible = false;
    test::ModalScript script;
    script.Then([&](QWidget* modal) {
        help.ShowHelp(2);
        owner = help.window()->parentWidget();
        visible = help.window()->isVisible();
        qobject_cast<QDialog*>(modal)->accept();
    });
    dialog.exec();
    EXPECT_EQ(owner, &dialog);
    EXPECT_TRUE(visible);
    help.ShowHelp(1);
    EXPECT_EQ(help.window()->parentWidget(), &main) << "back with the main window afterwards";
}

}  // namespace
}  // namespace sonaro
