// Answers a modal box from the event loop, as a user would, while the code
// under test waits in the box's exec().
#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace torvex::testing {

class ModalAnswer : public QObject {
public:
    // Runs act on the next modal widget that shows. A box still open
    // timeoutMs after it showed (or that never shows) is given up: the test
    // sees answered() false or the box, and does not hang.
    explicit ModalAnswer(std::function<void(QWidget*)> act, int timeoutMs = 5000);

    bool answered() const { return answered_; }
    QPointer<QWidget> box;  // the modal widget that was answered

private:
    void Poll();

    std::function<void(QWidget*)> act_;
    int timeout_ms_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool answered_ = false;
};

}  // namespace torvex::testing
