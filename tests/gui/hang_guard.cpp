#include "tests/gui/hang_guard.h"

#include <QApplication>
#include <QDialog>

#include "tests/gui/modal_script.h"

namespace sonaro::test {

HangGuard::HangGuard(int limitMs) : limitMs_(limitMs) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Expired(); });
}

void HangGuard::OnTestStart(const ::testing::TestInfo&) {
    timer_.start(limitMs_);
}

void HangGuard::OnTestEnd(const ::testing::TestInfo&) {
    timer_.stop();
}

void HangGuard::Expired() {
    QWidget* modal = QApplication::activeModalWidget();
    ADD_FAILURE() << "still running after " << limitMs_ << " ms, waiting in "
                  << (modal != nullptr ? DescribeWindow(modal).toStdString()
                                       : std::string("no modal window"));
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    } else if (modal != nullptr) {
        modal->close();
    }
    timer_.start(1000);
}

}  // namespace sonaro::test
