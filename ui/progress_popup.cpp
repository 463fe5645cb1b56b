#include "ui/progress_popup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <algorithm>
#include <functional>

#include "ui/accessible_role.h"
#include "ui/profile.h"

namespace sonaro {
namespace {

// The popup itself. A close request from outside (the window manager, Alt+F4) counts as Cancel:
// otherwise the conversion would go on with no window and no way left to stop it.
class PopupWindow final : public QWidget {
  public:
    PopupWindow(QWidget* owner, std::function<void()> onCloseRequest)
        : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::MSWindowsFixedSizeDialogHint),
          onCloseRequest_(std::move(onCloseRequest)) {}

  protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        onCloseRequest_();
    }

  private:
    std::function<void()> onCloseRequest_;
};

// The message line holds at most what a 512-byte buffer holds, cut at a whole UTF-8 character.
QString LimitedText(const std::string& text) {
    constexpr std::size_t kLimit = 511;
    std::size_t length = std::min(text.size(), kLimit);
    while (length < text.size() && length > 0 &&
           (static_cast<unsigned char>(text[length]) & 0xC0U) == 0x80U) {
        --length;  // do not split a character
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(length));
}

}  // namespace

CProgressPopup::CProgressPopup(QWidget* parent, const std::string& title, bool smooth) {
    Create(parent, QString::fromStdString(title), smooth);
}

std::unique_ptr<CProgressPopup> CProgressPopup::OpenForWork(QWidget* mainWindow,
                                                            const std::string& title,
                                                            const std::string& message) {
    auto window = std::make_unique<CProgressPopup>(mainWindow, title, false);
    window->BeginModal("Progress", false);
    window->SetBarRange(0, 100, 1);
    window->SetMessage(message);
    window->Layout(1, 320);
    window->PumpWaitingMessages(true);
    return window;
}

CProgressPopup::~CProgressPopup() {
    DestroyWindow();
    delete closing_;
}

QWidget* CProgressPopup::MainWindow() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* widget : windows) {
        if (qobject_cast<QMainWindow*>(widget) != nullptr) {
            return widget;
        }
    }
    return nullptr;
}

bool CProgressPopup::Create(QWidget* parent, const QString& title, bool smooth) {
    font_ = QApplication::font("QMessageBox");
    QWidget* owner = parent != nullptr ? parent : MainWindow();
    window_ = new PopupWindow(owner, [this] { OnCancel(); });
    SetAccessibleRole(window_, QAccessible::Dialog);
    window_->setWindowTitle(title);
    window_->setCursor(Qt::BusyCursor);
    // The background is the button face, as on a dialog.
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    window_->setPalette(palette);
    window_->setAutoFillBackground(true);
    window_->setAttribute(Qt::WA_ShowWithoutActivating);
    window_->move(0, 0);
    window_->resize(320, 130);
    CreateChildren(smooth);
    Layout(textLines_, 320);
    window_->winId();  // the native window, so that its frame is known when centring
    CenterOverOwner(owner);
    Show();
    return true;
}

void CProgressPopup::CreateChildren(bool smooth) {
    const QRect placeholder(0, 0, 10, 10);
    messageText_ = new QLabel(window_);
    messageText_->setObjectName(QStringLiteral("message"));
    messageText_->setTextFormat(Qt::PlainText);
    messageText_->setWordWrap(false);
    messageText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    messageText_->setGeometry(placeholder);

    progressBar_ = new QProgressBar(window_);
    progressBar_->setObjectName(QStringLiteral("bar"));
    progressBar_->setAccessibleName(QStringLiteral("Conversion progress"));
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(smooth);  // a segmented bar shows no figure either way
    progressBar_->setGeometry(placeholder);

    cancelButton_ = new QPushButton(cancelLabel_, window_);
    cancelButton_->setObjectName(QStringLiteral("cancel"));
    cancelButton_->setAccessibleName(QStringLiteral("Cancel"));  // the label's blanks are spacing
    cancelButton_->setAccessibleDescription(QStringLiteral("Stop the conversion"));
    cancelButton_->setAutoDefault(false);
    cancelButton_->setGeometry(placeholder);
    QObject::connect(cancelButton_, &QPushButton::clicked, this, [this] { OnCancel(); });

    cancelButton_->setFont(font_);
    messageText_->setFont(font_);
}

bool CProgressPopup::CanPlaceWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Centred over the owner's window (else the screen), kept on the screen. Where windows cannot be
// placed, the compositor puts it where it puts dialogs (over their owner, as a rule).
void CProgressPopup::CenterOverOwner(QWidget* owner) {
    if (!CanPlaceWindows()) {
        return;
    }
    QScreen* screen = owner != nullptr ? owner->screen() : window_->screen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
    const QRect over = owner != nullptr && owner->isVisible() ? owner->frameGeometry() : area;
    const QSize size = window_->frameGeometry().size();
    QPoint corner(over.center().x() - size.width() / 2, over.center().y() - size.height() / 2);
    if (area.isValid()) {
        corner.setX(std::clamp(corner.x(), area.left(),
                               std::max(area.left(), area.right() + 1 - size.width())));
        corner.setY(std::clamp(corner.y(), area.top(),
                               std::max(area.top(), area.bottom() + 1 - size.height())));
    }
    window_->move(corner);
}

bool CProgressPopup::BeginModal(const std::string& title, bool smooth) {
    if (window_ == nullptr && !Create(MainWindow(), QString::fromStdString(title), smooth)) {
        return false;
    }
    disabledMain_ = MainWindow();
    if (disabledMain_ != nullptr) {
        disabledMain_->setEnabled(false);
    }
    window_->setEnabled(true);
    modal_ = true;
    return true;
}

// The arithmetic of the layout, in client pixels: the text area W wide and N lines high at
// (10, 10); the button under its right end, 10 pixels down; the bar left of the button, 10 pixels
// from it and one edge height in from the button's top and bottom; a 10-pixel margin all round.
void CProgressPopup::Layout(int textLines, int textWidth) {
    if (window_ == nullptr) {
        return;
    }
    const int lines = std::max(textLines, 1);
    const int width = std::max(textWidth, 0);
    const QStyle* style = window_->style();
    const int edgeX = style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, window_);
    const int edgeY = edgeX;
    const QFontMetrics metrics(font_);

    const QRect text(10, 10, width, lines * metrics.height());
    const QString buttonSample = cancelLabel_ + QStringLiteral("  ");
    const int buttonWidth = metrics.horizontalAdvance(buttonSample) + 4 * edgeX;
    const int buttonHeight = metrics.height() + 3 * edgeY;

    const int textRight = text.left() + text.width();
    const QRect button(textRight - buttonWidth, text.top() + text.height() + 10, buttonWidth,
                       buttonHeight);
    const QRect bar(text.left(), button.top() + edgeY, button.left() - 10 - text.left(),
                    buttonHeight - 2 * edgeY);
    const QSize client(width + 20, text.height() + buttonHeight + 30);

    const QPoint corner = window_->pos();  // the frame's top-left corner stays where it is
    window_->setFixedSize(client);
    window_->move(corner);
    progressBar_->setGeometry(bar);
    cancelButton_->setGeometry(button);
    messageText_->setGeometry(text);
}

int CProgressPopup::SetBarRange(int lower, int upper, int step) {
    if (window_ == nullptr) {
        return 0;
    }
    progressBar_->setRange(lower, upper);
    const int previousStep = barStep_;
    barStep_ = step;
    return previousStep;
}

int CProgressPopup::SetBarPos(int position) {
    if (window_ == nullptr) {
        return position_;
    }
    Show();
    position_ = position;
    const int previous = progressBar_->value();
    // Like a native bar, a position outside the range moves the bar to the nearer end.
    progressBar_->setValue(std::clamp(position, progressBar_->minimum(), progressBar_->maximum()));
    return previous & 0xFFFF;
}

void CProgressPopup::SetMessage(const std::string& text) {
    if (window_ == nullptr) {
        return;
    }
    messageText_->setText(LimitedText(text));
}

bool CProgressPopup::Report(int position) {
    SetBarPos(position);
    PumpWaitingMessages(true);
    return IsCancelled();
}

void CProgressPopup::Show() {
    if (window_ == nullptr || window_->isVisible()) {
        return;
    }
    window_->show();
    window_->update();
}

void CProgressPopup::Hide() {
    if (window_ == nullptr || !window_->isVisible()) {
        return;
    }
    window_->hide();
}

void CProgressPopup::OnCancel() {
    cancelled_ = true;
    Hide();
    if (modal_ && window_ != nullptr) {
        // The window goes now; the object (and the disabled main window) stays until its end.
        // The widget itself is deleted later, since Cancel may come from one of its own events.
        closing_ = window_;
        window_ = nullptr;
        closing_->deleteLater();
    }
    QWidget* main = MainWindow();
    if (main != nullptr) {
        main->activateWindow();
    }
}

void CProgressPopup::PumpWaitingMessages(bool cancelOnEscape) {
    // The focus is taken back from the program's other windows only: never from another
    // program that the user turned to while the conversion runs. It goes to the Cancel button,
    // the one thing to do here, where a screen reader names it.
    const QWidget* focus = QApplication::focusWidget();
    if (modal_ && window_ != nullptr && (focus == nullptr || focus->window() != window_) &&
        QGuiApplication::applicationState() == Qt::ApplicationActive) {
        window_->activateWindow();
        cancelButton_->setFocus(Qt::OtherFocusReason);
    }
    if (cancelled_ || pumping_) {
        return;
    }
    pumping_ = true;
    escapeCancels_ = cancelOnEscape;
    quitSeen_ = false;
    qApp->installEventFilter(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    qApp->removeEventFilter(this);
    pumping_ = false;
    if (quitSeen_) {
        // The quit request is for the main loop, once the conversion has returned.
        QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
    }
}

// Watches the events that the pump dispatches; every one is still delivered, except a quit
// request, which is held back and posted again. A close request for the main window cancels.
bool CProgressPopup::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
            if (escapeCancels_ && !cancelled_ &&
                static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                OnCancel();
            }
            break;
        case QEvent::MouseButtonRelease:
            if (!cancelled_ && IsReleaseOverCancel(*event)) {
                OnCancel();
            }
            break;
        case QEvent::Close:
            // A close request for the main window it disables (its close button, a logout).
            if (!cancelled_ && modal_ && watched == disabledMain_) {
                OnCancel();
            }
            break;
        case QEvent::Quit:
            if (watched == qApp) {
                quitSeen_ = true;
                return true;
            }
            break;
        default:
            break;
    }
    return false;
}

// A left button released over the Cancel button, wherever it was pressed.
bool CProgressPopup::IsReleaseOverCancel(const QEvent& event) const {
    const auto& mouse = static_cast<const QMouseEvent&>(event);
    if (!modal_ || cancelButton_ == nullptr || mouse.button() != Qt::LeftButton) {
        return false;
    }
    const QRect onScreen(cancelButton_->mapToGlobal(QPoint(0, 0)), cancelButton_->size());
    return onScreen.contains(mouse.globalPosition().toPoint());
}

bool CProgressPopup::DestroyWindow() {
    if (savePosition_) {
        SavePosition();
    }
    if (modal_) {
        modal_ = false;
        if (disabledMain_ != nullptr) {
            disabledMain_->setEnabled(true);
        }
    }
    if (window_ == nullptr) {
        return false;
    }
    delete window_;
    return true;
}

// Where windows cannot be placed, no position is known: the profile keeps what it held.
void CProgressPopup::SavePosition() {
    if (window_ == nullptr || !CanPlaceWindows()) {
        return;
    }
    const QPoint corner = window_->frameGeometry().topLeft();
    QSettings profile(kProfileOrganisation, kProfileApplication);
    profile.setValue(QStringLiteral("Settings/X"), corner.x());
    profile.setValue(QStringLiteral("Settings/Y"), corner.y());
}

}  // namespace sonaro
