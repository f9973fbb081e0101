#pragma once

#include <QString>

#include <functional>

class TZAF_workbook;

// The six branches that add, show, change and delete entries. Each holds the workbook's
// callers' lock from its look-up to its save, so concurrent requests never lose an entry or
// change the wrong row; log lines and settings are read outside that lock.

struct MaintenanceRequest {
    TZAF_workbook& workbook;
    QString baseFolder;
    QString dataFilePath;                                 // named in the log when a save fails
    std::function<QString(const QString& name)> param;    // first value by name, "" when absent
    std::function<void(const QString& event)> logEvent;   // one log line for this client
};

struct MaintenancePage {
    QString body;       // framed by the page header and footer
    int status = 200;   // 500 when the change could not be saved
};

// The first row whose name equals the key, both folded with LowerCaseNordic; -1 when none.
int FindEntryRow(TZAF_workbook& workbook, const QString& name);

MaintenancePage AddEntry(const MaintenanceRequest& request);      // "newname"
MaintenancePage AddForm(const MaintenanceRequest& request);       // "/add"
MaintenancePage AskDelete(const MaintenanceRequest& request);     // "delname"
MaintenancePage DeleteEntry(const MaintenanceRequest& request);   // "delname2"
MaintenancePage ModifyForm(const MaintenanceRequest& request);    // "/mod"
MaintenancePage ModifyEntry(const MaintenanceRequest& request);   // "modname"
