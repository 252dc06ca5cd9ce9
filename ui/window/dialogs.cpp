#include "dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace torvex {

void SetChosenFiles(CommonDialog& dialog, const QStringList& paths) {
    dialog.FileNames.clear();
    if (paths.isEmpty()) {
        dialog.FileName.clear();
        dialog.FileTitle.clear();
        return;
    }
    dialog.FileTitle = QFileInfo(paths.front()).fileName();
    if (paths.size() == 1) {
        dialog.FileName = paths.front();
        return;
    }
    // Files dropped together may come from several folders.
    QString folder = QFileInfo(paths.front()).absolutePath();
    for (const QString& path : paths) {
        while (!path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/'))
            folder = QFileInfo(folder).absolutePath();
    }
    dialog.FileName = folder;
    for (const QString& path : paths) dialog.FileNames.append(QDir(folder).relativeFilePath(path));
}

void SetUpFileDialog(QFileDialog& box, const CommonDialog& dialog, bool save) {
    box.setWindowTitle(dialog.DialogTitle);
    if (!dialog.InitDir.isEmpty()) box.setDirectory(dialog.InitDir);
    box.setNameFilter(dialog.Filter);
    box.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        box.setFileMode(QFileDialog::AnyFile);
    else if (dialog.MultiSelect)
        box.setFileMode(dialog.FileMustExist ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    else
        box.setFileMode(dialog.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    box.setDefaultSuffix(dialog.DefaultExt);
    box.setOption(QFileDialog::DontConfirmOverwrite, !dialog.OverwritePrompt);
}

bool QtDialogs::ShowOpen(QWidget* parent, CommonDialog& dialog) { return Show(parent, dialog, false); }

bool QtDialogs::ShowSave(QWidget* parent, CommonDialog& dialog) { return Show(parent, dialog, true); }

bool QtDialogs::Show(QWidget* parent, CommonDialog& dialog, bool save) {
    QFileDialog box(parent);
    SetUpFileDialog(box, dialog, save);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return false;
    SetChosenFiles(dialog, box.selectedFiles());
    return true;
}

void QtDialogs::Message(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);  // a file name such as "a<b>c.txt" is shown as it is
    box.exec();
}

bool QtDialogs::Question(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);  // replacing is the choice that cannot be undone
    return box.exec() == QMessageBox::Yes;
}

CompleteChoice QtDialogs::Completed(QWidget* parent, const QString& text, const QString& title,
                                    const QString& details, bool offerPage) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton* page = offerPage ? box.addButton(QStringLiteral("&Open Page"), QMessageBox::ActionRole) : nullptr;
    QPushButton* folder = box.addButton(QStringLiteral("Show &Folder"), QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.setDetailedText(details);
    box.exec();
    if (page != nullptr && box.clickedButton() == page) return CompleteChoice::OpenPage;
    return box.clickedButton() == folder ? CompleteChoice::ShowFolder : CompleteChoice::Ok;
}

void QtDialogs::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

}  // namespace torvex
