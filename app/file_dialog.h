#pragma once

#include <QFileDialog>
#include <QStringList>
#include <QTimer>

namespace sonaro {

// The Open and Save As dialogs: WAV files or all files, "wav" added to a name without a suffix,
// started in a directory that exists. The desktop's own dialog (native or portal) is used where
// the platform offers one. Qt's own dialog, where it is used, fits its columns to what they show
// and is made wide enough to show them whole, and in save mode refuses, without closing, a name in
// a folder that does not exist.
class CFileDialog final : public QFileDialog {
    Q_OBJECT

  public:
    enum class Purpose { Open, Save };
    CFileDialog(QWidget* parent, Purpose purpose);

    static const QStringList& NameFilters();
    // The directory, or the nearest of its parents that exists (the current directory when the
    // path is empty or none does).
    static QString ExistingDirectory(const QString& directory);

  protected:
    void accept() override;
    void showEvent(QShowEvent* event) override;

  private:
    // Qt's own widgets are in use: no native dialog stands in for this one.
    bool UsesOwnWidgets() const;
    void FitColumns();

    QTimer fitTimer_;  // fits the columns again once the model's changes have settled
    bool watchingModel_ = false;
};

}  // namespace sonaro
