#pragma once

#include <QStringList>
#include <memory>

#include "app/help_window.h"
#include "app/qt_user_port.h"
#include "app/recent_files.h"
#include "convert/codecs/codec_manager.h"
#include "convert/operations/import_port.h"
#include "document/sound_output.h"

namespace sonaro {

class CBatchWindow;
class CMainFrame;
class CSonaroDoc;

// The application: it makes the one document, the main window with its view, and the ports
// between them, opens a file named on the command line, and handles About and Help Topics.
class CSonaroApp {
  public:
    // With no sound output given, the desktop's own is used.
    explicit CSonaroApp(std::unique_ptr<SoundOutput> sound = nullptr);
    ~CSonaroApp();
    CSonaroApp(const CSonaroApp&) = delete;
    CSonaroApp& operator=(const CSonaroApp&) = delete;

    // Names the profile that QSettings writes to.
    static void SetProfileNames();

    // Start-up with the program's arguments (without its name): one file is opened in the main
    // window at once; several go to the batch window, which is then the window shown. False when
    // the one file was refused and the program must end.
    bool InitInstance(const QStringList& arguments);

    void ShowAboutBox();
    void OnHelpTopics();
    // Shows the batch window (made on first use), with these files and folders added.
    void ShowBatchWindow(const QStringList& paths = {});

    CSonaroDoc& document() { return *doc_; }
    CMainFrame* mainFrame() const { return frame_.get(); }
    CBatchWindow* batchWindow() const { return batch_.get(); }
    QtUserPort& userPort() { return user_; }
    HelpService& help() { return help_; }
    const RecentFileList& recentFiles() const { return recent_; }

  private:
    void OnAppCommand(unsigned command);
    void ConnectBatchWindow();

    std::unique_ptr<CodecManager> codecs_;
    std::unique_ptr<SoundOutput> sound_;
    std::unique_ptr<ImportPort> importer_;
    QtUserPort user_;
    std::unique_ptr<CSonaroDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<CBatchWindow> batch_;  // goes before the document, importer and codecs it uses
    HelpService help_;
    RecentFileList recent_;
};

}  // namespace sonaro
