#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

class QWidget;

namespace sonaro::test {

// Answers the modal dialogs a command opens, in the order they come up, as a user would: each
// step gets the next dialog to appear. A dialog with no step left is rejected and counted, so
// that a test never hangs on an unexpected dialog. While a newer script lives, an older one
// waits.
class ModalScript : public QObject {
    Q_OBJECT

  public:
    using Step = std::function<void(QWidget*)>;

    ModalScript();
    ~ModalScript() override;

    ModalScript& Then(Step step);
    // How many steps ran, and how many modal windows came up with no step left.
    int answered() const { return answered_; }
    int unexpected() const { return unexpected_; }
    bool done() const { return steps_.empty(); }

  private:
    void Poll();

    QTimer timer_;
    std::deque<Step> steps_;
    QPointer<QWidget> last_;
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

// Steps for common answers: a message box is recorded and answered with the button of that role
// (QMessageBox::StandardButton); a file dialog is given the path and accepted, or cancelled.
ModalScript::Step AnswerMessage(std::vector<ShownMessage>* shown, int button);
ModalScript::Step ChooseFile(const QString& path);
ModalScript::Step CancelDialog();
// Accepts the dialog once the step has returned, so that a question the acceptance raises (the
// overwrite question of a save dialog) can be answered by the next step.
void AcceptLater(QWidget* dialog);

}  // namespace sonaro::test
