#include "app/qt_user_port.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "app/desktop_parts.h"
#include "resources/string_table.h"

namespace sonaro {
namespace {

QString AppTitle() {
    return QString::fromUtf8(LoadString(AFX_IDS_APP_TITLE));
}

}  // namespace

void ShowWarning(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::Warning, AppTitle(), text, QMessageBox::Ok, owner);
    box.exec();
}

const QStringList& QtUserPort::NameFilters() {
    static const QStringList filters = {QStringLiteral("WAV files (*.wav)"),
                                        QStringLiteral("All files (*.*)")};
    return filters;
}

QString QtUserPort::DefaultSuffix() {
    return QStringLiteral("wav");
}

void QtUserPort::ShowMessage(const std::string& text) {
    ShowWarning(mainWindow_, QString::fromStdString(text));
}

SaveAnswer QtUserPort::AskSaveChanges(const std::string& documentName) {
    const QString text =
        QStringLiteral("The converted sound of %1 has not been saved.\nSave it now?")
            .arg(QString::fromStdString(documentName));
    QMessageBox box(QMessageBox::Warning, AppTitle(), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, mainWindow_);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return SaveAnswer::Yes;
        case QMessageBox::No:
            return SaveAnswer::No;
        default:
            return SaveAnswer::Cancel;
    }
}

void QtUserPort::SetUpFileDialog(QFileDialog& dialog, bool save) {
    // The program's own dialog, so that it behaves alike everywhere and tests can drive it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(NameFilters());
    dialog.setDefaultSuffix(DefaultSuffix());
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);  // the overwrite question is on by default
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
}

std::optional<std::string> QtUserPort::RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QDir::cleanPath(dialog.selectedFiles().constFirst()).toStdString();
}

// The dialog starts in the last directory opened from, else in the current directory; the
// process's current directory itself is never changed.
std::optional<std::string> QtUserPort::RunOpenDialog(QFileDialog& dialog,
                                                     const std::string& startDirectory) {
    dialog.setDirectory(startDirectory.empty() ? QDir::currentPath()
                                               : QString::fromStdString(startDirectory));
    return RunFileDialog(dialog);
}

std::optional<std::string> QtUserPort::ChooseOpenPath(const std::string& startDirectory) {
    QFileDialog dialog(mainWindow_, QStringLiteral("Open"));
    dialog.setObjectName(QStringLiteral("openDialog"));
    SetUpFileDialog(dialog, false);
    return RunOpenDialog(dialog, startDirectory);
}

// The Open dialog, offering the sound files the importer reads, and any file.
std::optional<std::string> QtUserPort::ChooseImportPath(
    const std::string& startDirectory, const std::vector<std::string>& extensions) {
    QFileDialog dialog(mainWindow_, QStringLiteral("Import"));
    dialog.setObjectName(QStringLiteral("importDialog"));
    SetUpFileDialog(dialog, false);
    QStringList patterns;
    for (const std::string& extension : extensions) {
        patterns.append(QStringLiteral("*.") + QString::fromStdString(extension));
    }
    dialog.setNameFilters({QStringLiteral("Sound files (%1)").arg(patterns.join(u' ')),
                           QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QString());
    return RunOpenDialog(dialog, startDirectory);
}

// With a start directory the dialog proposes the initial name there; without one the initial
// name is a whole path, whose directory the dialog starts in.
std::optional<std::string> QtUserPort::ChooseSavePath(const std::string& startDirectory,
                                                      const std::string& initialName) {
    QFileDialog dialog(mainWindow_, QStringLiteral("Save As"));
    dialog.setObjectName(QStringLiteral("saveDialog"));
    SetUpFileDialog(dialog, true);
    const QString name = QString::fromStdString(initialName);
    if (!startDirectory.empty()) {
        dialog.setDirectory(QString::fromStdString(startDirectory));
        dialog.selectFile(name);
    } else if (QFileInfo(name).isAbsolute()) {
        dialog.setDirectory(QFileInfo(name).absolutePath());
        dialog.selectFile(QFileInfo(name).fileName());
    } else {
        dialog.setDirectory(QDir::currentPath());
        dialog.selectFile(name);
    }
    return RunFileDialog(dialog);
}

bool QtUserPort::RunSettings(SettingsValues& values) {
    return RunSettingsDialog(mainWindow_, values, showHelp_);
}

void QtUserPort::BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUserPort::EndWaitCursor() {
    QApplication::restoreOverrideCursor();
}

void QtUserPort::UpdateAllViews() {
    if (updateViews_) {
        updateViews_();
    }
}

std::unique_ptr<ProgressPort> QtUserPort::CreateProgress(const std::string& title, bool smooth) {
    return MakeProgressWindow(mainWindow_, title, smooth);
}

}  // namespace sonaro
