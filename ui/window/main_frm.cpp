#include "main_frm.h"

#include <iterator>

#include <algorithm>

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "about_frm.h"
#include "file_names.h"
#include "product.h"
#include "program_icon.h"

namespace torvex {

namespace {

template <class Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

MainFrm::MainFrm(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), host_(dialogs, this, Processing) {
    BuildControls();

    CMDialog1.DialogTitle = QStringLiteral("Input file");
    CMDialog1.Filter = QStringLiteral("Text (*.txt)");
    CMDialog1.DefaultExt = QStringLiteral("txt");
    CMDialog2.DialogTitle = QStringLiteral("Output file");
    CMDialog2.Filter = QStringLiteral("HTML (*.html)");
    CMDialog2.DefaultExt = QStringLiteral("html");

    host_.OnProgress = [this](unsigned long long done, unsigned long long total) { ShowProgress(done, total); };
    connect(Outputname, &QLineEdit::textChanged, this, &MainFrm::Outputname_Change);
    connect(Inputname, &QLineEdit::textEdited, this, &MainFrm::Inputname_Edited);
    connect(ButtonInput, &QPushButton::clicked, this, &MainFrm::ButtonInput_Click);
    connect(ButtonOutput, &QPushButton::clicked, this, &MainFrm::ButtonOutput_Click);
    connect(CheckFAQ, &QCheckBox::toggled, this, &MainFrm::CheckFAQ_Click);
    connect(ButtonOK, &QPushButton::clicked, this, &MainFrm::ButtonOK_Click);
    connect(ButtonCancel, &QPushButton::clicked, this, &MainFrm::ButtonCancel_Click);
    connect(ButtonClose, &QPushButton::clicked, this, &MainFrm::ButtonClose_Click);
    connect(ButtonReg, &QPushButton::clicked, this, &MainFrm::ButtonReg_Click);

    Form_Load();
}

MainFrm::~MainFrm() = default;

void MainFrm::BuildControls() {
    setObjectName(QStringLiteral("MainFrm"));
    // A main window: minimise and close, not a transient dialog.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromUtf8(ProductName));
    setWindowIcon(ProgramIcon());

    Picture1 = Named(new QLabel(this), "Picture1");
    Picture1->setPixmap(ProgramIcon().pixmap(48, 48));
    Title = Named(new QLabel(this), "Title");
    QFont big = Title->font();
    big.setBold(true);
    if (big.pointSizeF() > 0)
        big.setPointSizeF(big.pointSizeF() * 1.6);
    else
        big.setPixelSize(big.pixelSize() * 8 / 5);
    Title->setFont(big);

    Label4 = Named(new QLabel(QStringLiteral("Input File"), this), "Label4");
    Inputname = Named(new QLineEdit(this), "Inputname");
    ButtonInput = Named(new QPushButton(QStringLiteral("Browse..."), this), "ButtonInput");
    Label5 = Named(new QLabel(QStringLiteral("Output File"), this), "Label5");
    Outputname = Named(new QLineEdit(this), "Outputname");
    ButtonOutput = Named(new QPushButton(QStringLiteral("Browse..."), this), "ButtonOutput");
    CheckFAQ = Named(new QCheckBox(QStringLiteral("Split and cross reference output"), this), "CheckFAQ");
    Frame2 = Named(new QGroupBox(QStringLiteral("Line break options"), this), "Frame2");
    Option2 = Named(new QRadioButton(QStringLiteral("Add line breaks where necessary"), Frame2), "Option2");
    Option1 = Named(new QRadioButton(QStringLiteral("Keep original line breaks"), Frame2), "Option1");
    Option3 = Named(new QRadioButton(QStringLiteral("No line breaks"), Frame2), "Option3");
    Option2->setChecked(true);
    TimeStamp = Named(new QCheckBox(QStringLiteral("Date and Time stamp output"), this), "TimeStamp");
    Label3 = Named(new QLabel(QStringLiteral("Page title"), this), "Label3");
    PageTitle = Named(new QLineEdit(this), "PageTitle");
    ProgressFile = Named(new QLabel(this), "ProgressFile");
    ProgressFile->setTextFormat(Qt::PlainText);
    ProgressBar = Named(new QProgressBar(this), "ProgressBar");
    ProgressFile->hide();
    ProgressBar->hide();
    ButtonOK = Named(new QPushButton(QStringLiteral("OK"), this), "ButtonOK");
    ButtonClose = Named(new QPushButton(QStringLiteral("Close"), this), "ButtonClose");
    ButtonCancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "ButtonCancel");
    ButtonReg = Named(new QPushButton(QStringLiteral("&About"), this), "ButtonReg");
    ButtonOK->setDefault(true);
    Inputname->setMinimumWidth(fontMetrics().averageCharWidth() * 44);

    auto* heading = new QHBoxLayout;
    heading->addWidget(Picture1);
    heading->addWidget(Title, 1);

    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(Inputname, 1);
    inputRow->addWidget(ButtonInput);
    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(Outputname, 1);
    outputRow->addWidget(ButtonOutput);

    auto* options = new QVBoxLayout(Frame2);
    options->addWidget(Option2);
    options->addWidget(Option1);
    options->addWidget(Option3);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {ButtonOK, ButtonClose, ButtonCancel, ButtonReg}) buttons->addWidget(button);

    auto* form = new QVBoxLayout(this);
    form->addLayout(heading);
    form->addSpacing(6);
    form->addWidget(Label4);
    form->addLayout(inputRow);
    form->addWidget(Label5);
    form->addLayout(outputRow);
    form->addWidget(CheckFAQ);
    form->addWidget(Frame2);
    form->addWidget(TimeStamp);
    form->addWidget(Label3);
    form->addWidget(PageTitle);
    form->addWidget(ProgressFile);
    form->addWidget(ProgressBar);
    form->addSpacing(6);
    form->addStretch(1);
    form->addLayout(buttons);

    QWidget* order[] = {Inputname, ButtonInput, Outputname, ButtonOutput, CheckFAQ, Option2, Option1,
                        Option3,   TimeStamp,   PageTitle,  ButtonOK,     ButtonClose, ButtonCancel, ButtonReg};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void MainFrm::Form_Load() {
    Title->setText(QString::fromUtf8(ProductName) + u' ' + QString::fromUtf8(ProductVersion));
    MessageTitle = QString::fromUtf8(ProductName);
    Processing = false;
}

void MainFrm::Message(const QString& text, const QString& title) { dialogs_.Message(this, text, title); }

// Any change of the output box, typed or written here, drops the kept path.
void MainFrm::Outputname_Change() { OutputPath.clear(); }

// Editing the input box by hand drops the kept dialog selection, so that OK
// converts what the box shows; text written here by the window does not.
void MainFrm::Inputname_Edited() {
    CMDialog1.FileName.clear();
    CMDialog1.FileNames.clear();
}

void MainFrm::ButtonInput_Click() {
    const QString multiple = QString::fromUtf8(MultipleFiles);
    if (Inputname->text() == multiple) {
        Inputname->setText(QString());
        Outputname->setText(QString());
        CMDialog1.FileName.clear();
        CMDialog1.FileNames.clear();
    }

    CMDialog1.MultiSelect = true;
    CMDialog1.FileMustExist = true;
    // A cancelled dialog changes nothing.
    if (!dialogs_.ShowOpen(this, CMDialog1)) return;

    if (!CMDialog1.FileNames.isEmpty()) {
        Inputname->setText(multiple);
        Outputname->setText(multiple);
        CheckFAQ->setChecked(false);  // when it was checked, its rule empties Outputname again
        return;
    }

    const QString name = CMDialog1.FileTitle.toLower();
    Inputname->setText(name);
    const qsizetype dot = name.indexOf(u'.');
    if (dot < 1) return;  // no dot, or only a leading one: the output stays as it was
    Outputname->setText(name.left(dot + 1) + QStringLiteral("html"));
    OutputPath = PathBytes(PathWithHtmlSuffix(CMDialog1.FileName));
}

void MainFrm::ButtonOutput_Click() {
    CMDialog2.OverwritePrompt = true;
    if (!dialogs_.ShowSave(this, CMDialog2)) return;
    Outputname->setText(CMDialog2.FileTitle.toLower());
    OutputPath = PathBytes(CMDialog2.FileName);
}

void MainFrm::CheckFAQ_Click() {
    Outputname->setText(CheckFAQ->isChecked() ? QString::fromUtf8(MultipleFiles) : QString());
}

void MainFrm::ButtonCancel_Click() {
    if (!Processing) return;
    Message(QStringLiteral("Processing Interrupted"), MessageTitle);
    Processing = false;
}

void MainFrm::ButtonClose_Click() {
    if (Processing) Message(QStringLiteral("Processing Interrupted"), MessageTitle);
    Processing = false;
    close();
}

void MainFrm::reject() { ButtonClose->click(); }

void MainFrm::closeEvent(QCloseEvent* event) {
    // The window system marks the close box's request as spontaneous.
    Form_QueryUnload(event->spontaneous() ? UnloadMode::CloseBox : UnloadMode::Program);
    event->accept();
}

// Every close ends the program. The close box during a batch first stops
// it as Close does; the conversion then finishes its page ("Processing
// interrupted" and the footer) before the program ends.
void MainFrm::Form_QueryUnload(UnloadMode mode) {
    if (mode == UnloadMode::CloseBox && Processing)
        Message(QStringLiteral("Processing Interrupted"), MessageTitle);
    Processing = false;
    RequestEnd();
}

void MainFrm::RequestEnd() {
    end_requested_ = true;
    if (batch_running_) return;  // the batch ends it once it has unwound
    end_requested_ = false;
    emit EndProgram();
}

void MainFrm::ButtonReg_Click() {
    if (About == nullptr) {
        About = new AboutFrm(this);
        connect(About, &AboutFrm::EndProgram, this, &MainFrm::RequestEnd);
    }
    About->exec();
    // Closed by its close box: the next use creates it afresh.
    if (About != nullptr && About->ClosedByCloseBox()) {
        About->deleteLater();
        About = nullptr;
    }
}

void MainFrm::StartProgress(const QString& fileName) {
    ProgressFile->setText(fileName);
    ProgressBar->setRange(0, 1000);
    ProgressBar->setValue(0);
    ProgressFile->show();
    ProgressBar->show();
}

void MainFrm::ShowProgress(unsigned long long done, unsigned long long total) {
    if (total == 0) {
        ProgressBar->setRange(0, 0);  // size unknown: a busy bar
        return;
    }
    ProgressBar->setRange(0, 1000);
    ProgressBar->setValue(static_cast<int>(std::min<unsigned long long>(done, total) * 1000 / total));
}

void MainFrm::EndProgress() {
    ProgressFile->hide();
    ProgressBar->hide();
}

}  // namespace torvex
