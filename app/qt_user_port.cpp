#include "app/qt_user_port.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>

#include "app/desktop_parts.h"
#include "app/file_dialog.h"
#include "resources/string_table.h"

namespace sonaro {
namespace {

QString AppTitle() {
    return QString::fromUtf8(LoadString(AFX_IDS_APP_TITLE));
}

// A warning box's icon is read out by its meaning, as the box's own picture.
void NameWarningIcon(QMessageBox& box) {
    for (auto* label : box.findChildren<QLabel*>()) {
        if (!label->pixmap().isNull()) {
            label->setAccessibleName(QStringLiteral("Warning"));
        }
    }
}

}  // namespace

void ShowWarning(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::Warning, AppTitle(), text, QMessageBox::Ok, owner);
    NameWarningIcon(box);
    box.exec();
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
    NameWarningIcon(box);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return SaveAnswer::Yes;
        case QMessageBox::No:
            return SaveAnswer::No;
        default:
            return SaveAnswer::Cancel;
    }
}

std::optional<std::string> QtUserPort::RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QDir::cleanPath(dialog.selectedFiles().constFirst()).toStdString();
}

// The dialog starts in the last directory opened from (or the nearest that still exists), else
// in the current directory; the process's current directory itself is never changed.
std::optional<std::string> QtUserPort::ChooseOpenPath(const std::string& startDirectory) {
    CFileDialog dialog(mainWindow_, CFileDialog::Purpose::Open);
    dialog.setDirectory(CFileDialog::ExistingDirectory(QString::fromStdString(startDirectory)));
    return RunFileDialog(dialog);
}

// The Open dialog, offering the sound files the importer reads, and any file.
std::optional<std::string> QtUserPort::ChooseImportPath(
    const std::string& startDirectory, const std::vector<std::string>& extensions) {
    CFileDialog dialog(mainWindow_, CFileDialog::Purpose::Open);
    dialog.setObjectName(QStringLiteral("importDialog"));
    dialog.setWindowTitle(QStringLiteral("Import"));
    QStringList patterns;
    for (const std::string& extension : extensions) {
        patterns.append(QStringLiteral("*.") + QString::fromStdString(extension));
    }
    dialog.setNameFilters({QStringLiteral("Sound files (%1)").arg(patterns.join(u' ')),
                           QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QString());
    dialog.setDirectory(CFileDialog::ExistingDirectory(QString::fromStdString(startDirectory)));
    return RunFileDialog(dialog);
}

// With a start directory the dialog proposes the initial name there; without one the initial
// name is a whole path, whose directory the dialog starts in.
std::optional<std::string> QtUserPort::ChooseSavePath(const std::string& startDirectory,
                                                      const std::string& initialName) {
    CFileDialog dialog(mainWindow_, CFileDialog::Purpose::Save);
    const QString name = QString::fromStdString(initialName);
    const bool wholePath = startDirectory.empty() && QFileInfo(name).isAbsolute();
    dialog.setDirectory(CFileDialog::ExistingDirectory(
        wholePath ? QFileInfo(name).absolutePath() : QString::fromStdString(startDirectory)));
    dialog.selectFile(wholePath ? QFileInfo(name).fileName() : name);
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

std::unique_ptr<ProgressPort> QtUserPort::CreateProgress(const std::string& title,
                                                         const std::string& message) {
    return MakeProgressWindow(mainWindow_, title, message);
}

}  // namespace sonaro
