#pragma once

#include <memory>
#include <string>

#include "platform/GlobalConfig.h"
#include "platform/MessageBox.h"
#include "profile/values/ProfileGlobalConfigStorage.h"
#include "profile/store/SqliteProfileBackend.h"

// What comes before the command.
struct GlobalOptions {
    std::string database;       // empty: the default database
    std::string passphraseFile; // empty: the per-user passphrase
    int application = 3;
};

// The message box of a process without a window: every message the
// library shows goes to standard error on one line; a question is not
// shown but answered Yes, since the command line already said what to do.
// Warnings and errors count as failures of the command.
class StderrMessageBox final : public IMessageBox {
public:
    int Show(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned style) override;
    int Failures() const { return m_failures; }
    int Shown() const { return m_shown; }

private:
    int m_failures = 0;
    int m_shown = 0;
};

// The library set up as a host sets it up, for one run of the tool: the
// database, the global options kept in it, the passphrase, the
// application number and the message box. Undone when it ends.
class ToolSession {
public:
    // Without `openDatabase` the store is left alone: no file is opened or made.
    ToolSession(const GlobalOptions& options, bool openDatabase);
    ~ToolSession();
    ToolSession(const ToolSession&) = delete;
    ToolSession& operator=(const ToolSession&) = delete;

    int Application() const { return m_application; }
    const std::string& DatabasePath() const; // only with a database
    SqliteProfileFactory& Database() { return *m_factory; } // only with a database
    GlobalConfig& Options() { return *m_config; }
    StderrMessageBox& Box() { return m_box; }

private:
    void Open(const GlobalOptions& options, bool openDatabase);
    void Close();

    StderrMessageBox m_box;
    std::unique_ptr<SqliteProfileFactory> m_factory;
    ProfileGlobalConfigStorage m_storage;
    GlobalConfig* m_config = nullptr;
    int m_application;
};

// Reads the configuration passphrase from the first line of `path`.
VUnicodeString ReadPassphraseFile(const std::string& path);
