#pragma once

#include <QString>

#include <functional>
#include <memory>

class TDirectoryService;
class TIdHTTPServer;
class TZAF_LogFile;
class TZAF_workbook;

// The server's spine: opens or creates the data file, prepares the folders, reads the
// configuration and starts the HTTP server; at shut-down stops the server and writes the
// configuration. It owns the workbook, the log, the HTTP server and the web service. The
// console window owns one and adds its own steps; the headless server uses it as it is.
class TServerHost {
public:
    // Steps a window adds to start-up; each runs on the caller's thread, when set.
    struct StartupSteps {
        std::function<void()> BeforeSettingsLock;  // before anything else
        std::function<void()> AfterPhotosFolder;   // folders and data file ready, configuration not read
        std::function<void()> AfterConfiguration;  // settings read, server not started yet
    };

    // baseFolder: the folder whose files are served, holding the configuration, "photos" and
    // "pictures" (the executable's folder). dataFolder: the per-user folder of the data file.
    TServerHost(const QString& baseFolder, const QString& dataFolder);
    ~TServerHost();
    TServerHost(const TServerHost&) = delete;
    TServerHost& operator=(const TServerHost&) = delete;

    void SetStartupSteps(StartupSteps steps) { steps_ = std::move(steps); }

    // Start-up, once. The server may stay inactive (the port is taken); that is logged.
    void FormCreate();

    // Shut-down, once: ends the sessions, stops the server and all its connections, then writes
    // the configuration. False with the error text when the configuration cannot be written.
    bool FormDestroy(QString& error);

    bool ServerActive() const;
    quint16 ListeningPort() const;  // 0 while not listening

    const QString& BaseFolder() const { return baseFolder_; }  // with a trailing "/"
    const QString& DataFolder() const { return dataFolder_; }  // with a trailing "/"
    QString DataFilePath() const;
    QString ConfigFilePath() const;

    TZAF_workbook& Workbook() { return *workbook_; }
    TZAF_LogFile& Log() { return *log_; }
    TIdHTTPServer& Server() { return *server_; }
    TDirectoryService& Service() { return *service_; }

private:
    void prepareDataFolder();
    void migrateOldDataFile();
    void openOrCreateDataFile();
    void preparePhotosFolder();
    void startServer();
    void stopServer();

    QString baseFolder_;
    QString dataFolder_;
    StartupSteps steps_;
    // Declared in this order so the server, and with it every handler thread, goes first.
    std::unique_ptr<TZAF_workbook> workbook_;
    std::unique_ptr<TZAF_LogFile> log_;
    std::unique_ptr<TDirectoryService> service_;
    std::unique_ptr<TIdHTTPServer> server_;
};
