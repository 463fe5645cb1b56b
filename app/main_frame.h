#pragma once

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <map>

class QAction;
class QToolBar;

namespace sonaro {

class CSonaroDoc;
class CSonaroView;
class UserPort;

// The main window: fixed 480 by 360 pixels, a menu bar, a toolbar, keyboard accelerators, the
// information view, and a drop target for one file. Commands go to the document first; those it
// does not handle (About, Help Topics, Exit) go to the application.
class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 360;

    CMainFrame(CSonaroDoc& doc, UserPort& user, QWidget* parent = nullptr);

    // Where the commands of the application go.
    void SetApplicationCommands(std::function<void(unsigned)> handler) {
        appCommands_ = std::move(handler);
    }

    // The action of a command id, shared by its menu item, toolbar button and accelerator.
    QAction* action(unsigned command) const;
    QToolBar* toolBar() const { return toolBar_; }
    CSonaroView* view() const { return view_; }

    // Runs a command as the menu, toolbar or keyboard would.
    void OnCommand(unsigned command);
    // Enables each command as the document's state allows.
    void UpdateCommandUI();
    // The document changed: the view shows it anew and the commands follow.
    void OnDocumentChanged();
    // Files dropped on the window: exactly one is opened.
    void OnDropFiles(const QStringList& paths);
    // The session is ending (logout): the window is closed as by its close button. False when
    // the user kept it open (Cancel at the save prompt), so that the logout stops.
    bool QueryEndSession();

  signals:
    // A command has run (and the enabling was decided again).
    void commandHandled(unsigned command);
    // The window was enabled or disabled (a conversion or an import waits in it).
    void enabledChanged(bool enabled);

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QAction* MakeAction(unsigned command, const char* text);
    void CreateMenus();
    void CreateToolBar();
    static void DescribeToolButton(QWidget* button, const QAction* act);
    void CreateAccelerators();
    void OnFileSave();
    void OnConvert();

    CSonaroDoc& doc_;
    UserPort& user_;
    CSonaroView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    std::map<unsigned, QAction*> actions_;
    std::function<void(unsigned)> appCommands_;
    bool converting_ = false;
    bool closeAfterConversion_ = false;  // a close request came during the conversion
};

}  // namespace sonaro
