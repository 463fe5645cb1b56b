#include "app/help_window.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "convert/files/install_paths.h"
#include "ui/accessible_role.h"

namespace sonaro {
namespace {

// The page of each help context.
QString TopicPage(int context) {
    switch (context) {
        case 2:
            return QStringLiteral("settings.html");
        case 3:
            return QStringLiteral("batch.html");
        default:
            return QStringLiteral("index.html");
    }
}

// The installed help pages, where the install put them beside the program's bin directory.
QString InstalledHelpDirectory() {
    const QDir dir(QString::fromStdString(InstallPaths::OfThisProgram().HelpDirectory()));
    return QFileInfo::exists(dir.filePath(QStringLiteral("index.html"))) ? dir.canonicalPath()
                                                                         : QString();
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Sonaro Help"));
    setObjectName(QStringLiteral("helpWindow"));
    SetAccessibleRole(this, QAccessible::Window);
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(false);
    // A screen reader names the text by the page's title.
    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this] { browser_->setAccessibleName(browser_->documentTitle()); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(520, 480);
}

QUrl HelpWindow::TopicUrl(int context) {
    const QString installed = InstalledHelpDirectory();
    if (!installed.isEmpty()) {
        return QUrl::fromLocalFile(installed + QLatin1Char('/') + TopicPage(context));
    }
    return QUrl(QStringLiteral("qrc:/help/") + TopicPage(context));
}

void HelpWindow::ShowTopic(int context) {
    browser_->setSource(TopicUrl(context));
    show();
    raise();
    activateWindow();
}

QUrl HelpWindow::currentPage() const {
    return browser_->source();
}

QString HelpWindow::currentTitle() const {
    return browser_->documentTitle();
}

void HelpService::ShowHelp(int context) {
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr) {
        owner = mainWindow_;
    }
    if (window_ != nullptr && window_->parentWidget() != owner) {
        delete window_;
    }
    if (window_ == nullptr) {
        window_ = new HelpWindow(owner);
    }
    window_->ShowTopic(context);
}

}  // namespace sonaro
