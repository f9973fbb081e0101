#include "app/ServerHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/ConfigFile.h"
#include "net/HttpServer.h"
#include "util/LogFile.h"
#include "util/Settings.h"
#include "util/ShellFiles.h"
#include "web/DirectoryService.h"
#include "workbook/Workbook.h"

namespace {

const QString DataFileName = QStringLiteral("Corvale.zwb");
const QString BackupSuffix = QStringLiteral(".bak");
const QString PhotosFolderName = QStringLiteral("photos");

const QString LogNewDataFile = QStringLiteral("New corvale file created");
const QString LogServerStarted = QStringLiteral("Corvale server started on port ");
const QString LogServerNotStarted = QStringLiteral("Error starting corvale server on port ");

// A new data file has one page of ten columns and no rows.
constexpr int DataFilePages = 1;
constexpr int DataFileColumns = 10;
constexpr int PortBits = 0xFFFF;

QString withTrailingSlash(const QString& folder)
{
    const QString plain = QDir::fromNativeSeparators(folder);
    return plain.endsWith(QLatin1Char('/')) ? plain : plain + QLatin1Char('/');
}

}  // namespace

TServerHost::TServerHost(const QString& baseFolder, const QString& dataFolder)
    : baseFolder_(withTrailingSlash(baseFolder)),
      dataFolder_(withTrailingSlash(dataFolder)),
      workbook_(std::make_unique<TZAF_workbook>()),
      log_(std::make_unique<TZAF_LogFile>()),
      service_(std::make_unique<TDirectoryService>(*workbook_, *log_, baseFolder_, DataFilePath())),
      server_(std::make_unique<TIdHTTPServer>())
{
    // The log as the host runs it: time-stamped lines, no file, no limit.
    log_->SetMaxLines(0);
    log_->SetTimeStamp(true);
    log_->SetDisableTempBuffering(false);
    log_->Loaded();

    service_->SetServer(server_.get());
    server_->OnCommandGet = [service = service_.get()](TIdContext& context, TIdHTTPRequestInfo& request,
                                                       TIdHTTPResponseInfo& response) {
        service->IdHTTPServer1CommandGet(&context, &request, &response);
    };
}

TServerHost::~TServerHost()
{
    stopServer();
}

QString TServerHost::DataFilePath() const
{
    return dataFolder_ + DataFileName;
}

QString TServerHost::ConfigFilePath() const
{
    return ConfigFile(baseFolder_).Path();
}

bool TServerHost::ServerActive() const
{
    return server_->Active();
}

quint16 TServerHost::ListeningPort() const
{
    return server_->ListeningPort();
}

void TServerHost::FormCreate()
{
    if (steps_.BeforeSettingsLock) {
        steps_.BeforeSettingsLock();
    }
    // The settings lock lives as long as the program, so there is nothing to create here.
    prepareDataFolder();
    SetAppFolder(baseFolder_);
    migrateOldDataFile();
    openOrCreateDataFile();
    preparePhotosFolder();
    if (steps_.AfterPhotosFolder) {
        steps_.AfterPhotosFolder();
    }
    // No connection thread exists yet, so the fields are filled without the lock.
    ConfigFile(baseFolder_).ReadInto(Settings);
    if (steps_.AfterConfiguration) {
        steps_.AfterConfiguration();
    }
    startServer();
}

bool TServerHost::FormDestroy(QString& error)
{
    stopServer();
    // Every connection thread has ended: the fields are read without the lock.
    return ConfigFile(baseFolder_).WriteFrom(Settings, error);
}

void TServerHost::prepareDataFolder()
{
    QDir().mkpath(dataFolder_);
    SetDataFolder(dataFolder_);
}

// An installation that kept the data file beside the executable hands it over once.
void TServerHost::migrateOldDataFile()
{
    const QString oldPath = GetAppFolder() + DataFileName;
    if (QFileInfo::exists(oldPath)) {
        ShellMoveFile(oldPath, GetDataFolder() + DataFileName, false, false, false);
    }
}

void TServerHost::openOrCreateDataFile()
{
    const QString dataPath = GetDataFolder() + DataFileName;
    if (QFileInfo::exists(dataPath)) {
        const QString backupPath = dataPath + BackupSuffix;
        QFile::remove(backupPath);
        QFile::copy(dataPath, backupPath);
        // A file that cannot be read leaves the workbook without a file name, so later changes
        // never overwrite it; the backup is already taken.
        workbook_->OpenWorkbook(dataPath, 0);
        return;
    }
    workbook_->SetPages(DataFilePages);
    workbook_->SetColumns(DataFileColumns);
    workbook_->SetRows(0);
    workbook_->SaveWorkbook(dataPath, 0);
    log_->Add(LogNewDataFile, false);
}

void TServerHost::preparePhotosFolder()
{
    QDir().mkpath(baseFolder_ + PhotosFolderName);
}

void TServerHost::startServer()
{
    const int port = Settings.Port & PortBits;
    server_->SetDefaultPort(port);
    try {
        server_->SetActive(true);
        log_->Add(LogServerStarted + QString::number(server_->ListeningPort()), false);
    } catch (const std::exception&) {
        log_->Add(LogServerNotStarted + QString::number(port), false);
    }
}

void TServerHost::stopServer()
{
    try {
        server_->PurgeStaleSessions(true);
        server_->SetActive(false);
    } catch (...) {
        // Stopping goes on whatever the server reports.
    }
}
