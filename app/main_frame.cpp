#include "app/main_frame.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "app/qt_user_port.h"
#include "document/sonaro_doc.h"
#include "resources/frame_resources.h"
#include "resources/string_table.h"
#include "ui/sonaro_view.h"
#include "ui/svg_picture.h"

namespace sonaro {
namespace {

// The local paths among dropped items; empty when any item is not a local file.
QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) {
            return {};
        }
        paths.append(url.toLocalFile());
    }
    return paths;
}

}  // namespace

CMainFrame::CMainFrame(CSonaroDoc& doc, UserPort& user, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      doc_(doc),
      user_(user) {
    setObjectName(QStringLiteral("mainFrame"));
    // A fixed size: no sizing border and no maximise box.
    setFixedSize(kWidth, kHeight);
    setWindowTitle(QString::fromUtf8(LoadString(AFX_IDS_APP_TITLE)));
    CreateMenus();
    CreateToolBar();
    CreateAccelerators();
    view_ = new CSonaroView(doc_, this);
    view_->setObjectName(QStringLiteral("view"));
    setCentralWidget(view_);
    view_->setFocus(Qt::OtherFocusReason);  // a screen reader starts by reading the file's lines
    UpdateCommandUI();
}

QAction* CMainFrame::action(unsigned command) const {
    const auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

// A menu text's shortcut (after its tab) becomes the action's shortcut, which the menu shows in
// the same place; the text itself, read out by screen readers, is then the item's name alone.
QAction* CMainFrame::MakeAction(unsigned command, const char* text) {
    if (QAction* existing = action(command)) {
        return existing;
    }
    auto* act = new QAction(this);
    act->setObjectName(QStringLiteral("command%1").arg(command));
    if (text != nullptr) {
        const QStringList parts = QString::fromUtf8(text).split(QLatin1Char('\t'));
        act->setText(parts.constFirst());
        if (parts.size() > 1) {
            act->setShortcut(QKeySequence(parts[1]));
            act->setShortcutContext(Qt::WindowShortcut);
        }
    }
    const QString tooltip = QString::fromStdString(CommandTooltip(command));
    if (!tooltip.isEmpty()) {
        act->setToolTip(tooltip);
        act->setStatusTip(QString::fromStdString(CommandPrompt(command)));
    }
    connect(act, &QAction::triggered, this, [this, command] { OnCommand(command); });
    actions_[command] = act;
    return act;
}

void CMainFrame::CreateMenus() {
    for (const MenuPopup& popup : kMainMenu) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(popup.title));
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
        for (int i = 0; i < popup.count; ++i) {
            const MenuItem& item = popup.items[i];
            if (item.command == kSeparator) {
                menu->addSeparator();
            } else {
                menu->addAction(MakeAction(item.command, item.text));
            }
        }
    }
}

void CMainFrame::CreateToolBar() {
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setContextMenuPolicy(Qt::PreventContextMenu);
    toolBar_->setIconSize(QSize(kToolbarImageWidth, kToolbarImageHeight));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // The image strip holds one 16 x 15 image per button, in button order.
    const QPixmap strip = RenderSvg(QStringLiteral(":/images/toolbar.svg"));
    int image = 0;
    for (unsigned command : kToolbarButtons) {
        if (command == kSeparator) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* act = MakeAction(command, nullptr);
        if (act->text().isEmpty()) {
            act->setText(act->toolTip());  // a button without a menu item is named by its tooltip
        }
        act->setIcon(QIcon(
            strip.copy(image * kToolbarImageWidth, 0, kToolbarImageWidth, kToolbarImageHeight)));
        ++image;
        toolBar_->addAction(act);
        DescribeToolButton(toolBar_->widgetForAction(act), act);
    }
    // The button that shows the buttons a narrow bar leaves out.
    for (auto* button : toolBar_->findChildren<QToolButton*>()) {
        if (button->accessibleName().isEmpty()) {
            button->setAccessibleName(QStringLiteral("More buttons"));
        }
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
}

// A toolbar button is named by its tooltip and described by its command's prompt, and the Tab key
// reaches it: Play and Stop are on the toolbar only.
void CMainFrame::DescribeToolButton(QWidget* button, const QAction* act) {
    if (button == nullptr) {
        return;
    }
    button->setAccessibleName(act->toolTip());
    button->setAccessibleDescription(act->statusTip());
    button->setFocusPolicy(Qt::TabFocus);
}

// Accelerators of commands without a menu item are actions of the window itself.
void CMainFrame::CreateAccelerators() {
    for (const Accelerator& accelerator : kAccelerators) {
        QAction* act = action(accelerator.command);
        if (act == nullptr) {
            act = MakeAction(accelerator.command, nullptr);
            addAction(act);
        }
        act->setShortcut(QKeySequence(QString::fromUtf8(accelerator.keys)));
        act->setShortcutContext(Qt::WindowShortcut);
    }
}

void CMainFrame::OnCommand(unsigned command) {
    switch (command) {
        case ID_FILE_OPEN:
            doc_.OnFileOpen();
            break;
        case ID_FILE_IMPORT:
            doc_.OnFileImport();
            break;
        case ID_FILE_SAVE:
            OnFileSave();
            break;
        case ID_FILE_SAVE_AS:
            doc_.OnFileSaveAs();
            break;
        case ID_CONVERT:
            OnConvert();
            break;
        case ID_PLAY:
            doc_.OnPlay();
            break;
        case ID_STOP:
            doc_.OnStop();
            break;
        case ID_SETTINGS:
            doc_.OnSettings();
            break;
        case ID_NEXT_PANE:
        case ID_PREV_PANE:
            break;  // the view has no panes
        default:
            if (appCommands_) {
                appCommands_(command);
            }
            break;
    }
    // The enabling is decided again after every command, as settings change it without a redraw.
    UpdateCommandUI();
    emit commandHandled(command);
}

// Ctrl+S: the document saves through Save As. A document without a path name, or whose file may
// not be written, is first given a name.
void CMainFrame::OnFileSave() {
    std::string path = doc_.pathName();
    if (path.empty() || ::access(path.c_str(), W_OK) != 0) {
        const std::string title = doc_.fileName().empty()
                                      ? std::string(LoadString(AFX_IDS_APP_TITLE)) + ".wav"
                                      : doc_.fileName();
        const auto chosen = user_.ChooseSavePath(std::string(), title);
        if (!chosen) {
            return;
        }
        path = *chosen;
    }
    doc_.OnSaveDocument(path);
}

// A close request during the conversion cancelled it (the progress window takes it for Cancel);
// the close goes ahead once the conversion has cleaned up, through the usual save prompt.
void CMainFrame::OnConvert() {
    converting_ = true;
    doc_.OnConvert();
    converting_ = false;
    // The focus comes back from the progress window to the view, which shows the result (or the
    // file as it was); without a window manager to do it, the window takes the activation back.
    if (QApplication::activeWindow() == nullptr) {
        activateWindow();
    }
    view_->setFocus(Qt::OtherFocusReason);
    if (closeAfterConversion_) {
        closeAfterConversion_ = false;
        close();
    }
}

void CMainFrame::UpdateCommandUI() {
    for (const auto& [command, act] : actions_) {
        switch (command) {
            case ID_FILE_SAVE_AS:
                act->setEnabled(doc_.OnUpdateFileSaveAs());
                break;
            case ID_CONVERT:
                act->setEnabled(doc_.OnUpdateConvert());
                break;
            case ID_PLAY:
            case ID_STOP:
                act->setEnabled(doc_.OnUpdatePlay());
                break;
            case ID_NEXT_PANE:
            case ID_PREV_PANE:
                act->setEnabled(false);  // nothing handles them
                break;
            default:
                act->setEnabled(true);  // Open, Settings, Exit, Help Topics, About, Save
                break;
        }
    }
}

// New lines in the view (a file opened or converted) take the focus to it, where a screen reader
// reads them out.
void CMainFrame::OnDocumentChanged() {
    if (view_->OnUpdate()) {
        view_->setFocus(Qt::OtherFocusReason);
    }
    UpdateCommandUI();
}

void CMainFrame::OnDropFiles(const QStringList& paths) {
    raise();
    activateWindow();
    if (paths.size() == 1) {
        doc_.OnOpenDocument(paths.constFirst().toStdString());
    } else {
        ShowWarning(this, QStringLiteral("One file at a time, please."));
    }
    UpdateCommandUI();
}

// Closing asks to save an unsaved result first; the result file goes with the document. During a
// conversion the window stays until the conversion, cancelled by the request, has ended: the
// document is never cleared under a running stage.
void CMainFrame::closeEvent(QCloseEvent* event) {
    if (converting_) {
        closeAfterConversion_ = true;
        event->ignore();
        return;
    }
    if (!doc_.SaveModified()) {
        event->ignore();
        return;
    }
    doc_.DeleteContents();
    event->accept();
}

void CMainFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        emit enabledChanged(isEnabled());
    }
    QMainWindow::changeEvent(event);
}

bool CMainFrame::QueryEndSession() {
    return close() || closeAfterConversion_;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFiles(event->mimeData());
    if (paths.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    OnDropFiles(paths);
}

}  // namespace sonaro
