#include "tests/gui/modal_script.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace sonaro::test {
namespace {

// The scripts alive, newest last: only the newest one answers.
std::vector<ModalScript*>& Scripts() {
    static std::vector<ModalScript*> scripts;
    return scripts;
}

}  // namespace

ModalScript::ModalScript(int answeredTimeoutMs) : answeredTimeoutMs_(answeredTimeoutMs) {
    Scripts().push_back(this);
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &ModalScript::Poll);
    timer_.start();
}

ModalScript::~ModalScript() {
    std::erase(Scripts(), this);
}

ModalScript& ModalScript::Then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}

void ModalScript::Poll() {
    if (Scripts().back() != this) {
        return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    // Only dialogs and message boxes wait for an answer; a progress window runs by itself.
    if (modal == nullptr || !modal->isVisible() || qobject_cast<QDialog*>(modal) == nullptr) {
        return;
    }
    if (modal == last_) {
        if (sinceAnswer_.elapsed() > answeredTimeoutMs_) {
            GiveUpOn(modal);
        }
        return;
    }
    last_ = modal;
    sinceAnswer_.start();
    if (steps_.empty()) {
        ++unexpected_;
        qobject_cast<QDialog*>(modal)->reject();
        return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    ++answered_;
    step(modal);
}

void ModalScript::GiveUpOn(QWidget* modal) {
    ADD_FAILURE() << "still open " << answeredTimeoutMs_
                  << " ms after it was answered: " << DescribeWindow(modal).toStdString();
    sinceAnswer_.start();
    qobject_cast<QDialog*>(modal)->reject();
}

QString DescribeWindow(const QWidget* window) {
    return QStringLiteral("%1 \"%2\" titled \"%3\"")
        .arg(QString::fromLatin1(window->metaObject()->className()), window->objectName(),
             window->windowTitle());
}

ModalScript::Step AnswerMessage(std::vector<ShownMessage>* shown, int button) {
    return [shown, button](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box == nullptr) {
            shown->push_back({QStringLiteral("<not a message box>"), QString(), 0, {}});
            widget->close();
            return;
        }
        ShownMessage message{box->windowTitle(), box->text(), static_cast<int>(box->icon()), {}};
        for (QAbstractButton* b : box->buttons()) {
            message.buttons.append(b->text());
        }
        shown->push_back(message);
        QAbstractButton* target = box->button(static_cast<QMessageBox::StandardButton>(button));
        if (target != nullptr) {
            target->click();
        } else {
            box->reject();
        }
    };
}

ModalScript::Step ChooseFile(const QString& path) {
    return [path](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        if (dialog == nullptr) {
            widget->close();
            return;
        }
        EnterFileName(dialog, path);
        AcceptLater(dialog);
    };
}

void EnterFileName(QFileDialog* dialog, const QString& path) {
    dialog->selectFile(path);
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        name->setText(path);
    }
    EXPECT_EQ(dialog->selectedFiles().join(QLatin1Char('\n')).toStdString(), path.toStdString())
        << DescribeWindow(dialog).toStdString();
}

void AcceptLater(QWidget* dialog) {
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
}

ModalScript::Step CancelDialog() {
    return [](QWidget* widget) {
        if (auto* dialog = qobject_cast<QDialog*>(widget)) {
            dialog->reject();
        } else {
            widget->close();
        }
    };
}

}  // namespace sonaro::test
