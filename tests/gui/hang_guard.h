#pragma once

#include <gtest/gtest.h>

#include <QTimer>

namespace sonaro::test {

// Fails a GUI test that runs longer than its limit, naming the modal window it waits in, and
// closes that window (again each second) so that the test can end. A test waits only inside an
// event loop, so the timer fires there.
class HangGuard : public ::testing::EmptyTestEventListener {
  public:
    explicit HangGuard(int limitMs);

    void OnTestStart(const ::testing::TestInfo& test) override;
    void OnTestEnd(const ::testing::TestInfo& test) override;

  private:
    void Expired();

    int limitMs_;
    QTimer timer_;
};

}  // namespace sonaro::test
