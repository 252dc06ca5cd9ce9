#include "modal.h"

#include <QApplication>
#include <QDialog>

namespace torvex::testing {

ModalAnswer::ModalAnswer(std::function<void(QWidget*)> act, int timeoutMs)
    : act_(std::move(act)), timeout_ms_(timeoutMs) {
    connect(&timer_, &QTimer::timeout, this, &ModalAnswer::Poll);
    timer_.start(10);
    clock_.start();
}

void ModalAnswer::Poll() {
    if (!answered_) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible()) {
            answered_ = true;
            box = modal;
            clock_.restart();
            act_(modal);
        } else if (clock_.elapsed() > timeout_ms_) {
            timer_.stop();
        }
        return;
    }
    if (box == nullptr || !box->isVisible()) {
        timer_.stop();
        return;
    }
    if (clock_.elapsed() < timeout_ms_) return;
    // Still open: the answer did not close it. Close it so the test ends.
    timer_.stop();
    if (auto* dialog = qobject_cast<QDialog*>(box.data()))
        dialog->done(QDialog::Rejected);
    else
        box->hide();
}

}  // namespace torvex::testing
