// AboutFrm, the About box: the product, its home page and its author's
// address. Modal; its Ok button hides it, so it is kept for the next use.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace torvex {

enum class UnloadMode;

class AboutFrm : public QDialog {
    Q_OBJECT

public:
    explicit AboutFrm(QWidget* parent = nullptr);

    // True once the box was closed by its close box: it is not shown again.
    bool ClosedByCloseBox() const { return closed_by_close_box_; }

signals:
    // Closed by something other than its close box (the session ending, the
    // program): the program is to end.
    void EndProgram();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc

private slots:
    void OkButton_Click();

private:
    void Form_Load();
    void Form_QueryUnload(UnloadMode mode);

    QLabel* HomePageDetails;
    QPushButton* OkButton;
    bool closed_by_close_box_ = false;
};

}  // namespace torvex
