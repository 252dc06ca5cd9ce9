#include "main_frm.h"

#include <algorithm>
#include <iterator>

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QUrl>

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

// The files among what was dropped: folders and anything that is not a
// local file are no inputs.
QStringList DroppedFiles(const QMimeData* data) {
    QStringList files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isDir()) files << url.toLocalFile();
    return files;
}

// Paths one a line, as many as a tooltip can show.
QString PathList(const QStringList& paths) {
    constexpr qsizetype Shown = 20;
    QStringList lines = paths.mid(0, Shown);
    if (paths.size() > Shown) lines << QStringLiteral("... and %1 more").arg(paths.size() - Shown);
    return lines.join(u'\n');
}

QSettings Settings() {
    return QSettings(QString::fromLatin1(SettingsOrganization), QString::fromLatin1(SettingsApplication));
}

// The line-break options as the settings name them, in the order of the
// library's modes (Option1 to Option3).
constexpr const char* ModeWords[] = {"keep", "add", "none"};

}  // namespace

MainFrm::MainFrm(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), host_(dialogs, this, Processing) {
    BuildControls();

    CMDialog1.DialogTitle = QStringLiteral("Input file");
    // Text files are not always called *.txt; no extension is added to a
    // typed name, so that README can be typed too.
    CMDialog1.Filter = QStringLiteral(
        "Text files (*.txt *.text *.asc *.md *.markdown *.rst *.log *.diz README* NEWS* ChangeLog* FAQ* INSTALL* "
        "AUTHORS* COPYING* TODO* THANKS*);;All files (*)");
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
    Inputname->installEventFilter(this);
    Outputname->installEventFilter(this);

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
    Picture1->setPixmap(ProgramIcon().pixmap(32, 32));
    Title = Named(new QLabel(this), "Title");
    QFont big = Title->font();
    big.setBold(true);
    if (big.pointSizeF() > 0)
        big.setPointSizeF(big.pointSizeF() * 1.6);
    else
        big.setPixelSize(big.pixelSize() * 8 / 5);
    Title->setFont(big);

    // Every control has an access key; the captions read as they always have.
    Label4 = Named(new QLabel(QStringLiteral("&Input File"), this), "Label4");
    Inputname = Named(new QLineEdit(this), "Inputname");
    ButtonInput = Named(new QPushButton(QStringLiteral("&Browse..."), this), "ButtonInput");
    Label5 = Named(new QLabel(QStringLiteral("O&utput File"), this), "Label5");
    Outputname = Named(new QLineEdit(this), "Outputname");
    ButtonOutput = Named(new QPushButton(QStringLiteral("Bro&wse..."), this), "ButtonOutput");
    CheckFAQ = Named(new QCheckBox(QStringLiteral("&Split and cross reference output"), this), "CheckFAQ");
    Frame2 = Named(new QGroupBox(QStringLiteral("Line break options"), this), "Frame2");
    Option2 = Named(new QRadioButton(QStringLiteral("A&dd line breaks where necessary"), Frame2), "Option2");
    Option1 = Named(new QRadioButton(QStringLiteral("&Keep original line breaks"), Frame2), "Option1");
    Option3 = Named(new QRadioButton(QStringLiteral("&No line breaks"), Frame2), "Option3");
    Option2->setChecked(true);
    Frame3 = Named(new QGroupBox(QStringLiteral("Page style"), this), "Frame3");
    Option4 = Named(new QRadioButton(QStringLiteral("Classic pa&ge"), Frame3), "Option4");
    Option5 = Named(new QRadioButton(QStringLiteral("&Modern page, for any screen"), Frame3), "Option5");
    Option4->setChecked(true);
    TimeStamp = Named(new QCheckBox(QStringLiteral("Date and &Time stamp output"), this), "TimeStamp");
    Label3 = Named(new QLabel(QStringLiteral("&Page title"), this), "Label3");
    PageTitle = Named(new QLineEdit(this), "PageTitle");
    Label4->setBuddy(Inputname);
    Label5->setBuddy(Outputname);
    Label3->setBuddy(PageTitle);
    ProgressFile = Named(new QLabel(this), "ProgressFile");
    ProgressFile->setTextFormat(Qt::PlainText);
    ProgressBar = Named(new QProgressBar(this), "ProgressBar");
    // They take the room there is, and never widen the window (a long name is cut).
    ProgressFile->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ProgressBar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ProgressFile->hide();
    ProgressBar->hide();
    ButtonOK = Named(new QPushButton(QStringLiteral("&OK"), this), "ButtonOK");
    ButtonClose = Named(new QPushButton(QStringLiteral("C&lose"), this), "ButtonClose");
    ButtonCancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "ButtonCancel");
    ButtonReg = Named(new QPushButton(QStringLiteral("&About"), this), "ButtonReg");
    ButtonOK->setDefault(true);
    Inputname->setMinimumWidth(fontMetrics().averageCharWidth() * 52);
    // Files dropped anywhere on the window, the boxes included, are inputs.
    setAcceptDrops(true);
    for (QLineEdit* box : {Inputname, Outputname, PageTitle}) box->setAcceptDrops(false);

    auto* heading = new QHBoxLayout;
    heading->addWidget(Picture1);
    heading->addWidget(Title, 1);

    auto* options = new QVBoxLayout(Frame2);
    options->addWidget(Option2);
    options->addWidget(Option1);
    options->addWidget(Option3);
    auto* styles = new QVBoxLayout(Frame3);
    styles->addWidget(Option4);
    styles->addWidget(Option5);
    styles->addStretch(1);
    // The page style beside the line-break options.
    auto* frames = new QHBoxLayout;
    frames->addWidget(Frame2, 1);
    frames->addWidget(Frame3, 1);

    // Each label beside its box, so that the window stays short enough for
    // a small screen at twice the usual scale.
    auto* fields = new QGridLayout;
    fields->addWidget(Label4, 0, 0);
    fields->addWidget(Inputname, 0, 1);
    fields->addWidget(ButtonInput, 0, 2);
    fields->addWidget(Label5, 1, 0);
    fields->addWidget(Outputname, 1, 1);
    fields->addWidget(ButtonOutput, 1, 2);
    fields->addWidget(CheckFAQ, 2, 1, 1, 2);
    fields->addLayout(frames, 3, 1, 1, 2);
    fields->addWidget(TimeStamp, 4, 1, 1, 2);
    fields->addWidget(Label3, 5, 0);
    fields->addWidget(PageTitle, 5, 1, 1, 2);
    fields->setColumnStretch(1, 1);

    // The progress of a batch takes the room beside the buttons, so that
    // the window keeps its size when it shows.
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ProgressFile, 1);
    buttons->addWidget(ProgressBar, 1);
    buttons->addStretch(0);
    for (QPushButton* button : {ButtonOK, ButtonClose, ButtonCancel, ButtonReg}) buttons->addWidget(button);

    auto* form = new QVBoxLayout(this);
    form->addLayout(heading);
    form->addLayout(fields);
    form->addStretch(1);
    form->addLayout(buttons);

    QWidget* order[] = {Inputname, ButtonInput, Outputname, ButtonOutput, CheckFAQ,    Option2,      Option1,
                        Option3,   Option4,     Option5,    TimeStamp,    PageTitle,   ButtonOK,     ButtonClose,
                        ButtonCancel, ButtonReg};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void MainFrm::Form_Load() {
    Title->setText(QString::fromUtf8(ProductName) + u' ' + QString::fromUtf8(ProductVersion));
    MessageTitle = QString::fromUtf8(ProductName);
    Processing = false;
    // As the user left the window last time.
    const QSettings settings = Settings();
    restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray());
    LastFolder = settings.value(QStringLiteral("folder")).toString();
    const QString mode = settings.value(QStringLiteral("lineBreaks")).toString();
    QRadioButton* const modes[] = {Option1, Option2, Option3};
    for (size_t k = 0; k < std::size(modes); ++k)
        if (mode == QString::fromLatin1(ModeWords[k])) modes[k]->setChecked(true);
    TimeStamp->setChecked(settings.value(QStringLiteral("timeStamp"), false).toBool());
    (settings.value(QStringLiteral("pageStyle")).toString() == QStringLiteral("modern") ? Option5 : Option4)
        ->setChecked(true);
}

void MainFrm::SaveSettings() {
    QSettings settings = Settings();
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("folder"), LastFolder);
    const size_t mode = Option1->isChecked() ? 0 : Option3->isChecked() ? 2 : 1;
    settings.setValue(QStringLiteral("lineBreaks"), QString::fromLatin1(ModeWords[mode]));
    settings.setValue(QStringLiteral("timeStamp"), TimeStamp->isChecked());
    settings.setValue(QStringLiteral("pageStyle"),
                      Option5->isChecked() ? QStringLiteral("modern") : QStringLiteral("classic"));
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

void MainFrm::ForgetMultipleSelection() {
    if (CMDialog1.FileNames.isEmpty()) return;
    Inputname->setText(QString());
    Outputname->setText(QString());
    CMDialog1.FileName.clear();
    CMDialog1.FileNames.clear();
}

void MainFrm::ButtonInput_Click() {
    ForgetMultipleSelection();
    CMDialog1.MultiSelect = true;
    CMDialog1.FileMustExist = true;
    CMDialog1.InitDir = LastFolder;
    // A cancelled dialog changes nothing.
    if (!dialogs_.ShowOpen(this, CMDialog1)) return;
    ShowChosenInput();
}

void MainFrm::OpenFiles(const QStringList& paths) {
    ForgetMultipleSelection();
    QStringList absolute;
    for (const QString& path : paths) absolute << QFileInfo(path).absoluteFilePath();
    SetChosenFiles(CMDialog1, absolute);
    ShowChosenInput();
}

void MainFrm::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainFrm::dropEvent(QDropEvent* event) {
    const QStringList files = DroppedFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    OpenFiles(files);
}

void MainFrm::ShowChosenInput() {
    if (!CMDialog1.FileNames.isEmpty()) {
        LastFolder = CMDialog1.FileName;
        Inputname->setText(QStringLiteral("%1 files").arg(CMDialog1.FileNames.size()));
        Outputname->setText(QString::fromUtf8(MultipleFiles));
        CheckFAQ->setChecked(false);  // when it was checked, its rule empties Outputname again
        return;
    }
    LastFolder = QFileInfo(CMDialog1.FileName).absolutePath();
    const QString name = CMDialog1.FileTitle.toLower();
    Inputname->setText(name);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 1) {
        Outputname->setText(name.left(dot + 1) + QStringLiteral("html"));
        OutputPath = PathBytes(PathWithHtmlSuffix(CMDialog1.FileName));
    } else if (Outputname->text().isEmpty()) {
        // No extension to replace: with no output named yet, the page
        // still goes beside the file.
        Outputname->setText(name + QStringLiteral(".html"));
        OutputPath = PathBytes(CMDialog1.FileName + QStringLiteral(".html"));
    }
}

void MainFrm::ButtonOutput_Click() {
    CMDialog2.OverwritePrompt = true;
    CMDialog2.InitDir = OutputPath.empty() ? LastFolder : QFileInfo(AbsolutePath(OutputPath)).absolutePath();
    if (!dialogs_.ShowSave(this, CMDialog2)) return;
    Outputname->setText(CMDialog2.FileTitle.toLower());
    OutputPath = PathBytes(CMDialog2.FileName);
}

QString MainFrm::Selection() const { return CMDialog1.FileName.isEmpty() ? Inputname->text() : CMDialog1.FileName; }

bool MainFrm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && (watched == Inputname || watched == Outputname))
        static_cast<QWidget*>(watched)->setToolTip(watched == Inputname ? InputToolTip() : OutputToolTip());
    return QDialog::eventFilter(watched, event);
}

QString MainFrm::InputToolTip() const {
    const QString selection = Selection();
    if (TrimSpaces(selection).isEmpty()) return {};
    QStringList paths;
    for (const BatchFile& file : PlanBatch(selection, {}, false).files) paths << AbsolutePath(file.input);
    return PathList(paths);
}

// Where OK would write, as far as the boxes tell: a split file's set
// is shown by its contents page.
QString MainFrm::OutputToolTip() const {
    const std::string output = OutputPath.empty() ? PathBytes(Outputname->text()) : OutputPath;
    const bool split = CheckFAQ->isChecked();
    if (!split && TrimSpaces(PathText(output)).isEmpty()) return {};
    const QString selection = Selection();
    if (TrimSpaces(selection).isEmpty()) return split || output == MultipleFiles ? QString() : AbsolutePath(output);
    QStringList pages;
    for (const BatchFile& file : PlanBatch(selection, output, split).files)
        pages << PagePath(file.input, file.output, split);
    return PathList(pages);
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
    SaveSettings();
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
