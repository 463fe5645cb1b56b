#pragma once

#include <QFont>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <memory>
#include <string>

#include "convert/stages/progress_port.h"

class QWidget;

namespace sonaro {

// The small window a conversion shows: one message line, a bar and a " Cancel " button. It is
// also the message pump of the work it shows: each report moves the bar and handles the events
// waiting; while it is modal the main window is disabled, and the only input that counts is
// Cancel (the button, a left button released over it, Escape typed into any window of the
// program, or a request to close the main window). Its last position is written to the profile
// when it goes, where the platform tells positions.
class CProgressPopup final : public QObject, public ProgressPort {
  public:
    // Creates the window at once, centred over the parent (else over the main window) and shown
    // without taking the focus. The parent may be null.
    CProgressPopup(QWidget* parent, const std::string& title, bool smooth);
    ~CProgressPopup() override;
    // The window of one conversion or import, modal at once: this caption and this message over a
    // bar from 0 to 100, one line of text 320 pixels wide, its first events handled.
    static std::unique_ptr<CProgressPopup> OpenForWork(QWidget* mainWindow,
                                                       const std::string& title,
                                                       const std::string& message);
    CProgressPopup(const CProgressPopup&) = delete;
    CProgressPopup& operator=(const CProgressPopup&) = delete;

    // The progress of the work: the message line, and the bar moved with the events handled.
    void SetMessage(const std::string& text) override;
    bool Report(int position) override;

    // Makes the window modal towards the main window (which is disabled until the object goes).
    bool BeginModal(const std::string& title, bool smooth);
    int SetBarRange(int lower, int upper, int step);
    // Moves the bar; answers the previous position.
    int SetBarPos(int position);
    // Resizes the window for that many text lines of that width in pixels.
    void Layout(int textLines, int textWidth);
    // Handles the events waiting for the program, watching for the cancel gestures.
    void PumpWaitingMessages(bool cancelOnEscape);
    bool IsCancelled() const { return cancelled_; }

    void Show();
    void Hide();
    // The Cancel action.
    void OnCancel();
    // Saves the position, ends the modal state and destroys the window; false when there was no
    // window to destroy.
    bool DestroyWindow();

    // The window and its parts while the window exists, else null.
    QWidget* window() const { return window_; }
    QLabel* messageText() const { return messageText_; }
    QProgressBar* progressBar() const { return progressBar_; }
    QPushButton* cancelButton() const { return cancelButton_; }
    bool modal() const { return modal_; }

    // The application's main window: the first top-level main window there is, else null.
    static QWidget* MainWindow();
    // Whether the platform lets a program place its windows and tells it where they are: not so
    // on Wayland, where the compositor alone places windows.
    static bool CanPlaceWindows();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool Create(QWidget* parent, const QString& title, bool smooth);
    void CreateChildren(bool smooth);
    void CenterOverOwner(QWidget* owner);
    void SavePosition();
    bool IsReleaseOverCancel(const QEvent& event) const;

    bool cancelled_ = false;
    bool modal_ = false;
    bool savePosition_ = true;
    int position_ = 0;
    int textLines_ = 4;
    int barStep_ = 10;  // the step a fresh bar moves by, until told otherwise
    QString cancelLabel_ = QStringLiteral(" Cancel ");
    QFont font_;

    QPointer<QWidget> window_;
    QPointer<QWidget> closing_;  // a window closed by Cancel, deleted once its events are done
    QPointer<QWidget> disabledMain_;
    QPointer<QLabel> messageText_;
    QPointer<QProgressBar> progressBar_;
    QPointer<QPushButton> cancelButton_;

    bool pumping_ = false;
    bool escapeCancels_ = false;
    bool quitSeen_ = false;
};

}  // namespace sonaro
