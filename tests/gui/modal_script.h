#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

class QFileDialog;
class QWidget;

namespace sonaro::test {

// Answers the modal dialogs a command opens, in the order they come up, as a user would: each
// step gets the next dialog to appear. A dialog with no step left is rejected and counted, so
// that a test never hangs on an unexpected dialog; one that is still open long after its step
// ran fails the test, is named and rejected. While a newer script lives, an older one waits.
class ModalScript : public QObject {
    Q_OBJECT

  public:
    using Step = std::function<void(QWidget*)>;
    // How long an answered dialog may stay open.
    explicit ModalScript(int answeredTimeoutMs = 10000);
    ~ModalScript() override;

    ModalScript& Then(Step step);
    // How many steps ran, and how many modal windows came up with no step left.
    int answered() const { return answered_; }
    int unexpected() const { return unexpected_; }
    bool done() const { return steps_.empty(); }

  private:
    void Poll();
    void GiveUpOn(QWidget* modal);

    QTimer timer_;
    std::deque<Step> steps_;
    // The dialog answered last; a guarded pointer, so that a new dialog made at the address of
    // a destroyed one is not taken for it.
    QPointer<QWidget> last_;
    QElapsedTimer sinceAnswer_;
    int answeredTimeoutMs_;
    int answered_ = 0;
    int unexpected_ = 0;
};

// What a message box showed.
struct ShownMessage {
    QString title;
    QString text;
    int icon = 0;  // QMessageBox::Icon
    QStringList buttons;
};

// A window as a failure message names it: class, object name and title.
QString DescribeWindow(const QWidget* window);

// Steps for common answers: a message box is recorded and answered with the button of that role
// (QMessageBox::StandardButton); a file dialog is given the path and accepted, or cancelled.
ModalScript::Step AnswerMessage(std::vector<ShownMessage>* shown, int button);
ModalScript::Step ChooseFile(const QString& path);
ModalScript::Step CancelDialog();
// Puts the path into the dialog's file name field as a user types it. selectFile() alone leaves
// the field as it was while the field has the keyboard focus.
void EnterFileName(QFileDialog* dialog, const QString& path);
// Accepts the dialog once the step has returned, so that a question the acceptance raises (the
// overwrite question of a save dialog) can be answered by the next step.
void AcceptLater(QWidget* dialog);

}  // namespace sonaro::test
