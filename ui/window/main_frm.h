// MainFrm, the main window: gathers a conversion request (input files,
// output name, title, options), runs it as a batch with OK, stops it with
// Cancel, ends the program with Close and opens the About box.
#pragma once

#include <string>

#include <QDialog>
#include <QPointer>
#include <QString>

#include "dialogs.h"
#include "window_host.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace torvex {

class AboutFrm;
class WindowBatch;

// Shown in the input and output boxes for a multiple selection and for
// output names derived from each input's name.
inline constexpr const char* MultipleFiles = "(multiple files)";

// Why a window is about to close.
enum class UnloadMode { CloseBox, Program };

// A dialog, not a main window, so that Enter and Esc reach OK and Close as
// the default and cancel buttons.
class MainFrm : public QDialog {
    Q_OBJECT

public:
    explicit MainFrm(Dialogs& dialogs, QWidget* parent = nullptr);
    ~MainFrm() override;

    // State kept between commands. OutputPath: the output path that OK uses
    // when it is not empty, in the system's encoding (the engine may rewrite
    // it). CMDialog1's result is the kept input selection.
    std::string OutputPath;
    CommonDialog CMDialog1;
    CommonDialog CMDialog2;
    QString MessageTitle;
    // True while a batch runs; Cancel and Close clear it to stop the
    // conversion in hand after its current line.
    bool Processing = false;

    bool BatchRunning() const { return batch_running_; }

signals:
    // The program is to end: the window was closed, by the user or by Close.
    // During a batch it comes once the batch has stopped.
    void EndProgram();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc

private slots:
    void Outputname_Change();
    void Inputname_Edited();
    void ButtonInput_Click();
    void ButtonOutput_Click();
    void CheckFAQ_Click();
    void ButtonOK_Click();
    void ButtonCancel_Click();
    void ButtonClose_Click();
    void ButtonReg_Click();

private:
    friend class WindowBatch;  // shows the file in hand, reads the title and stamp

    void BuildControls();
    void Form_Load();
    void Form_QueryUnload(UnloadMode mode);
    void RequestEnd();
    void Message(const QString& text, const QString& title);
    // The progress row below the options: shown during a batch only.
    void StartProgress(const QString& fileName);
    void ShowProgress(unsigned long long done, unsigned long long total);
    void EndProgress();

    QLabel* Picture1;
    QLabel* Title;
    QLabel* Label4;
    QLineEdit* Inputname;
    QPushButton* ButtonInput;
    QLabel* Label5;
    QLineEdit* Outputname;
    QPushButton* ButtonOutput;
    QCheckBox* CheckFAQ;
    QGroupBox* Frame2;
    QRadioButton* Option2;
    QRadioButton* Option1;
    QRadioButton* Option3;
    QCheckBox* TimeStamp;
    QLabel* Label3;
    QLineEdit* PageTitle;
    QLabel* ProgressFile;
    QProgressBar* ProgressBar;
    QPushButton* ButtonOK;
    QPushButton* ButtonClose;
    QPushButton* ButtonCancel;
    QPushButton* ButtonReg;

    Dialogs& dialogs_;
    WindowHost host_;
    QPointer<AboutFrm> About;
    bool batch_running_ = false;
    bool end_requested_ = false;
};

}  // namespace torvex
