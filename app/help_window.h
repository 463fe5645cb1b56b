#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace sonaro {

// The window that shows the program's help pages, opened at the page of a help context.
class HelpWindow : public QWidget {
    Q_OBJECT

  public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The page of a help context: 1 the Help Topics, 2 the settings dialog, 3 the batch window. The
    // pages installed with the program are used when they are there, else the copies built into it.
    static QUrl TopicUrl(int context);

    void ShowTopic(int context);
    QUrl currentPage() const;
    QString currentTitle() const;

  private:
    QTextBrowser* browser_;
};

// Keeps one help window. While a modal dialog is up the window belongs to it, so that it can be
// used beside the dialog.
class HelpService {
  public:
    // Without a modal dialog the window belongs to the main window, and closes with it.
    void SetMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }
    void ShowHelp(int context);
    HelpWindow* window() const { return window_; }

  private:
    QPointer<QWidget> mainWindow_;
    QPointer<HelpWindow> window_;
};

}  // namespace sonaro
