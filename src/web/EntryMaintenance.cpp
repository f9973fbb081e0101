#include "web/EntryMaintenance.h"

#include <QFileInfo>

#include "util/Settings.h"
#include "util/TextUtils.h"
#include "web/HtmlEscape.h"
#include "web/PageFragments.h"
#include "web/PhotoFolder.h"
#include "workbook/Workbook.h"

namespace {

enum EntryColumn {
    kNameColumn = 0,
    kTitleColumn = 1,
    kEmailColumn = 2,
    kPhoneColumn = 3,
    kGsmColumn = 4,
    kFirstZeroColumn = 5,
    kPasswordColumn = 6,
    kNotesColumn = 7,
    kSecondZeroColumn = 8,
};

constexpr int kSaveFailedStatus = 500;

const QLatin1String kFieldLabelStart("<tr><td><font face=\"verdana\" size=2 color=#000000>");
const QLatin1String kFieldLabelEnd("</td><td colspan=5>");

// The values an add or a modification stores, prepared as they arrive.
struct EntryFields {
    QString name;
    QString title;
    QString email;
    QString phone;
    QString gsm;
    QString password;
    QString notes;
};

EntryFields preparedFields(const MaintenanceRequest& request, const QString& nameField)
{
    // Numbers are stored exactly as sent; every other value has its references decoded.
    return {DecodeHtmlEntities(request.param(nameField)),
            DecodeHtmlEntities(request.param(QStringLiteral("title"))),
            DecodeHtmlEntities(request.param(QStringLiteral("email"))),
            request.param(QStringLiteral("phone")),
            request.param(QStringLiteral("gsm")),
            DecodeHtmlEntities(request.param(QStringLiteral("password"))),
            DecodeHtmlEntities(request.param(QStringLiteral("notes")))};
}

void writeFields(TZAF_workbook& workbook, int row, const EntryFields& fields)
{
    workbook.SetCellValue(kNameColumn, row, fields.name);
    workbook.SetCellValue(kTitleColumn, row, fields.title);
    workbook.SetCellValue(kEmailColumn, row, fields.email);
    workbook.SetCellValue(kPhoneColumn, row, fields.phone);
    workbook.SetCellValue(kGsmColumn, row, fields.gsm);
    workbook.SetCellValue(kPasswordColumn, row, fields.password);
    workbook.SetCellValue(kNotesColumn, row, fields.notes);
}

bool saveDirectory(TZAF_workbook& workbook)
{
    // No file name: the file the workbook was opened from or created as.
    return workbook.SaveWorkbook(QString());
}

// Quotes a decoded name for a page: "Name "" + n + "" ..." with n escaped.
QString quotedName(const QString& before, const QString& name, const QString& after)
{
    return before + QLatin1Char('"') + HtmlEscaped(name) + QLatin1Char('"') + after;
}

// The change is in memory and will be written by the next successful save; the page says
// so rather than claiming success.
MaintenancePage saveFailedPage(const MaintenanceRequest& request)
{
    request.logEvent(QLatin1String("> failed to save \"") + request.dataFilePath + QLatin1Char('"'));
    return {MessageRow(QStringLiteral("The change was made but could not be saved to the data file."))
                + ContinueRow(),
            kSaveFailedStatus};
}

QString submitRow(QLatin1String label, bool withBreaks)
{
    return QLatin1String("<tr><td></td><td colspan=6><input type=submit value=\"") + label
        + (withBreaks ? QLatin1String("\"><br><br></td></tr>") : QLatin1String("\"></td></tr>"));
}

QString formRow(QLatin1String label, QLatin1String field, int size, const QString* value)
{
    QString row = kFieldLabelStart + label + kFieldLabelEnd + QLatin1String("<input type=edit name=\"")
        + field + QLatin1Char('"');
    if (value) {
        row += QLatin1String(" value=\"") + HtmlEscaped(*value) + QLatin1Char('"');
    }
    return row + QLatin1String(" size=") + QString::number(size) + QLatin1Char('>');
}

QString nameFieldNote()
{
    return QStringLiteral(" (Last name first)");
}

QString uploadFormRow(const QString& name)
{
    // A relative address: from "/mod" the browser posts to "/" + name, whose last segment
    // names the photo.
    return QLatin1String("<tr><form method=post action=\"") + HtmlEscapedPathPart(name)
        + QLatin1String("?searchfor=") + HtmlEscapedQueryValue(name)
        + QLatin1String("\" enctype=\"multipart/form-data\"><td></td><td colspan=6><input type=file "
                        "size=70 name=file><br><input type=submit value=\"Send file\"><br><br></td></form></tr>");
}

QString photoRow(const QString& baseFolder, const QString& name)
{
    QString row = kFieldLabelStart + QLatin1String("Photo") + kFieldLabelEnd;
    if (!name.contains(QLatin1Char('/')) && QFileInfo(PhotoFolder::PhotoPath(baseFolder, name)).isFile()) {
        row += QLatin1String("<img src=\"/photos/") + HtmlEscapedPathPart(name) + QLatin1String(".jpg\">");
    } else {
        row += QLatin1String("<font face=\"verdana\" size=2 color=#000000>No Photo Available");
    }
    return row + QLatin1String("</td></tr>");
}

QString notFoundMessage(const QString& name)
{
    return MessageRow(quotedName(QStringLiteral("Name "), name, QStringLiteral(" was not found.")));
}

}  // namespace

int FindEntryRow(TZAF_workbook& workbook, const QString& name)
{
    return workbook.IndexOfRow(kNameColumn, name, true, 0, false);
}

MaintenancePage AddEntry(const MaintenanceRequest& request)
{
    const EntryFields fields = preparedFields(request, QStringLiteral("newname"));
    bool exists = false;
    bool saved = false;
    {
        TZAF_workbook::CallerLock lock(request.workbook);
        exists = FindEntryRow(request.workbook, fields.name) >= 0;
        if (!exists) {
            request.workbook.SetRows(request.workbook.GetRows() + 1);
            const int row = request.workbook.GetRows() - 1;
            writeFields(request.workbook, row, fields);
            request.workbook.SetCellValue(kFirstZeroColumn, row, qint32(0));
            request.workbook.SetCellValue(kSecondZeroColumn, row, qint32(0));
            saved = saveDirectory(request.workbook);
        }
    }
    if (exists) {
        return {MessageRow(quotedName(QStringLiteral("Name "), fields.name, QStringLiteral(" already exists.")))
                + QLatin1String("<tr><form action=\"/add\"><td colspan=") + QString::number(kPageColumns)
                + QLatin1String("><input type=submit value=\"Back\"></td></form></tr>")
                + QLatin1String("<tr><form action=\"/\"><td colspan=") + QString::number(kPageColumns)
                + QLatin1String("><input type=submit value=\"Cancel\"><br><br></td></form></tr>")};
    }
    request.logEvent(QLatin1String("> new name \"") + fields.name + QLatin1String("\" added"));
    if (!saved) {
        return saveFailedPage(request);
    }
    // The hidden field stands outside the form, so Continue leads to all entries.
    return {MessageRow(quotedName(QStringLiteral("Name "), fields.name, QStringLiteral(" added succesfully.")))
            + QLatin1String("<input type=hidden name=\"searchfor\" value=\"") + HtmlEscaped(fields.name)
            + QLatin1String("\">") + ContinueRow()};
}

MaintenancePage AddForm(const MaintenanceRequest& request)
{
    request.logEvent(QStringLiteral("> adding new name"));
    return {QLatin1String("<form action=\"/\" method=post>")
            + formRow(QLatin1String("Name"), QLatin1String("newname"), 30, nullptr) + nameFieldNote()
            + QLatin1String("</td></tr>")
            + formRow(QLatin1String("Title"), QLatin1String("title"), 30, nullptr) + QLatin1String("</td></tr>")
            + formRow(QLatin1String("eMail"), QLatin1String("email"), 50, nullptr) + QLatin1String("</td></tr>")
            + formRow(QLatin1String("Phone"), QLatin1String("phone"), 20, nullptr) + QLatin1String("</td></tr>")
            + formRow(QLatin1String("Gsm"), QLatin1String("gsm"), 20, nullptr) + QLatin1String("</td></tr>")
            + submitRow(QLatin1String("Add"), false) + QLatin1String("</form>")};
}

MaintenancePage AskDelete(const MaintenanceRequest& request)
{
    const QString name = DecodeHtmlEntities(request.param(QStringLiteral("delname")));
    const bool found = FindEntryRow(request.workbook, name) >= 0;
    if (!found) {
        request.logEvent(QLatin1String("> failed to delete \"") + name + QLatin1Char('"'));
        return {notFoundMessage(name) + ContinueRow()};
    }
    // Logged already here, although nothing is deleted until the confirmation arrives.
    request.logEvent(QLatin1String("> confirmed delete of \"") + name + QLatin1Char('"'));
    return {MessageRow(quotedName(QStringLiteral("Are you sure to delete "), name, QStringLiteral("?")))
            + QLatin1String("<tr><form action=\"/\"><td colspan=") + QString::number(kPageColumns)
            + QLatin1String("><input type=hidden name=\"delname2\" value=\"") + HtmlEscaped(name)
            + QLatin1String("\"><input type=submit value=\"Confirm\"><br><br></td></form></tr>")};
}

MaintenancePage DeleteEntry(const MaintenanceRequest& request)
{
    const QString name = DecodeHtmlEntities(request.param(QStringLiteral("delname2")));
    bool found = false;
    bool saved = false;
    {
        TZAF_workbook::CallerLock lock(request.workbook);
        const int row = FindEntryRow(request.workbook, name);
        found = row >= 0;
        if (found) {
            request.workbook.DeleteRow(row);
            saved = saveDirectory(request.workbook);
        }
    }
    if (!found) {
        request.logEvent(QLatin1String("> failed to delete \"") + name + QLatin1Char('"'));
        return {notFoundMessage(name) + ContinueRow()};
    }
    request.logEvent(QLatin1String("> deleted \"") + name + QLatin1Char('"'));
    if (!saved) {
        return saveFailedPage(request);
    }
    return {MessageRow(quotedName(QStringLiteral("Name "), name, QStringLiteral(" deleted succesfully.")))
            + ContinueRow()};
}

MaintenancePage ModifyForm(const MaintenanceRequest& request)
{
    const QString name = DecodeHtmlEntities(request.param(QStringLiteral("name")));
    request.logEvent(QLatin1String("> modifying \"") + name + QLatin1Char('"'));

    QString title, email, phone, gsm, notes;
    bool found = false;
    {
        TZAF_workbook::CallerLock lock(request.workbook);
        const int row = FindEntryRow(request.workbook, name);
        found = row >= 0;
        if (found) {
            title = request.workbook.GetCellAsString(kTitleColumn, row);
            email = request.workbook.GetCellAsString(kEmailColumn, row);
            phone = request.workbook.GetCellAsString(kPhoneColumn, row);
            gsm = request.workbook.GetCellAsString(kGsmColumn, row);
            notes = request.workbook.GetCellAsString(kNotesColumn, row);
        }
    }
    if (!found) {
        request.logEvent(QLatin1String("> failed to edit \"") + name + QLatin1Char('"'));
        return {MessageRow(quotedName(QStringLiteral("Failed to locate name "), name, QStringLiteral(".")))
                + ContinueRow()};
    }

    // The name is the request's, shown in bold and not editable.
    QString body = QLatin1String("<form action=\"/\" method=post>") + kFieldLabelStart + QLatin1String("Name")
        + kFieldLabelEnd + QLatin1String("<input type=hidden name=\"modname\" value=\"") + HtmlEscaped(name)
        + QLatin1String("\" size=30>\"<b>") + HtmlEscaped(name) + QLatin1String("</b>\"</td></tr>");
    body += formRow(QLatin1String("Title"), QLatin1String("title"), 30, &title) + QLatin1String("</td></tr>");
    body += formRow(QLatin1String("eMail"), QLatin1String("email"), 50, &email) + QLatin1String("</td></tr>");
    body += formRow(QLatin1String("Phone"), QLatin1String("phone"), 20, &phone) + QLatin1String("</td></tr>");
    body += formRow(QLatin1String("Gsm"), QLatin1String("gsm"), 20, &gsm) + QLatin1String("</td></tr>");
    body += QLatin1String("<tr valign=top><td><font face=\"verdana\" size=2 color=#000000>Notes</td><td colspan=5>"
                          "<textarea name=\"notes\" rows=5 cols=50>")
        + HtmlEscaped(notes) + QLatin1String("</textarea></td></tr>");
    body += QLatin1String("<input type=hidden name=\"searchfor\" value=\"")
        + HtmlEscaped(request.param(QStringLiteral("searchfor"))) + QLatin1String("\">");
    if (!GetDisableModify()) {
        body += submitRow(QLatin1String("Modify"), true);
    }
    body += QLatin1String("</form>");
    body += photoRow(request.baseFolder, name);
    if (!GetDisableUpload()) {
        body += uploadFormRow(name);
    }
    return {body};
}

MaintenancePage ModifyEntry(const MaintenanceRequest& request)
{
    const EntryFields fields = preparedFields(request, QStringLiteral("modname"));
    bool found = false;
    bool saved = false;
    {
        TZAF_workbook::CallerLock lock(request.workbook);
        const int row = FindEntryRow(request.workbook, fields.name);
        found = row >= 0;
        if (found) {
            // Columns 5, 8 and 9 keep what they hold.
            writeFields(request.workbook, row, fields);
            saved = saveDirectory(request.workbook);
        }
    }
    if (!found) {
        request.logEvent(QLatin1String("> failed to modify \"") + fields.name + QLatin1Char('"'));
        return {MessageRow(quotedName(QStringLiteral("Name "), fields.name, QStringLiteral(" was not found for modify.")))
                + ContinueRow()};
    }
    request.logEvent(QLatin1String("> modified \"") + fields.name + QLatin1Char('"'));
    if (!saved) {
        return saveFailedPage(request);
    }
    // Here the hidden field lies inside the form, so Continue lists the entries matching the name.
    return {MessageRow(quotedName(QStringLiteral("Name "), fields.name, QStringLiteral(" modified succesfully.")))
            + QLatin1String("<tr><form action=\"/\"><input type=hidden name=\"searchfor\" value=\"")
            + HtmlEscaped(fields.name) + QLatin1String("\"><td colspan=") + QString::number(kPageColumns)
            + QLatin1String("><input type=submit value=\"Continue\"><br><br></td></form></tr>")};
}
