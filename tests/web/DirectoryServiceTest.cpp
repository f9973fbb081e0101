#include "web/DirectoryService.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <vector>

#include "WebTestClient.h"
#include "net/HttpServer.h"
#include "util/LocaleFormats.h"
#include "util/LogFile.h"
#include "util/Settings.h"
#include "web/PageFrame.h"
#include "workbook/Workbook.h"

#include "TestFiles.h"

namespace {

const QDateTime kNow(QDate(2026, 3, 7), QTime(14, 5, 9));
const LocaleFormats kFormats{"d.M.yyyy", "H:mm:ss", QChar(',')};
const QString kPeer = "127.0.0.1";

struct Switches {
    bool noUpload = false;
    bool noModify = false;
    bool wildcards = false;
};

void setSwitches(const Switches& switches)
{
    QMutexLocker lock(&Settings.Lock);
    Settings.disableupload = switches.noUpload;
    Settings.disablemodify = switches.noModify;
    Settings.SearchWithWildcards = switches.wildcards;
}

// One entry as stored: columns 0 to 9.
using StoredRow = QStringList;

struct Entry {
    QString name;
    QString title;
    QString email;
    QString phone;
    QString gsm;
};

QString listRow(const Entry& e, bool photo, bool buttons = true)
{
    const QString font = "<td bgcolor=#ffffff><font face=\"verdana\" size=2 color=#000000>";
    QString row = "<tr valign=top>";
    row += e.email.isEmpty() ? font + e.name + "</td>"
                             : font + "<a href=\"mailto:" + e.email + "\">" + e.name + "</a></td>";
    row += photo ? "<td bgcolor=#ffffff><img src=\"/photos/" + e.name + ".jpg\"></td>" : font + "-</td>";
    row += font + e.phone + "</td>" + font + e.gsm + "</td>";
    row += "<form action=\"/mod\" method=post><td width=50><input type=hidden name=\"name\" value=\"" + e.name + "\">";
    row += buttons ? "<input type=\"submit\" value=\"Edit\">" : "";
    row += "</td></form><form method=post><td width=50><input type=hidden name=\"delname\" value=\"" + e.name + "\">";
    row += buttons ? "<input type=\"submit\" value=\"Del\">" : "";
    return row + "</td></form></tr>";
}

QString columnHeaderRow(const QString& s)
{
    QString row;
    const char* keys[][2] = {{"name", "Name"}, {"photo", "Photo"}, {"phone", "Phone"}, {"gsm", "Gsm"}};
    for (auto& key : keys) {
        row += QString("<form method=post><td><font face=\"verdana\" size=2 color=#000000><input type=\"hidden\" "
                       "name=\"sortby\" value=\"%1\"><input type=\"submit\" value=\"%2\"><input type=\"hidden\" "
                       "name=\"searchfor\" value=\"%3\"></td></form>")
                   .arg(key[0], key[1], s);
    }
    return "<tr>" + row + "<td colspan=2><font face=\"Verdana\" size=2 color=#000000>Action</td></tr>";
}

QString message(const QString& text)
{
    return "<tr><td colspan=7><font face=\"verdana\" size=2 color=#000000>" + text + "</td></tr>";
}

const QString kContinueRow =
    "<tr><form action=\"/\"><td colspan=7><input type=submit value=\"Continue\"><br><br></td></form></tr>";

class DirectoryServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root_.isValid());
        base_ = root_.filePath("base");
        dataFile_ = root_.filePath("data/Corvale.zwb");
        QDir().mkpath(base_ + "/photos");
        QDir().mkpath(base_ + "/pictures");
        QDir().mkpath(root_.filePath("data"));
        writeFile(base_ + "/pictures/tidewell.gif", "GIF89a");
        {
            QMutexLocker lock(&Settings.Lock);
            Settings.LogoPicture = base_ + "/pictures/tidewell.gif";
        }
        setSwitches({});
        ASSERT_TRUE(workbook_.SaveWorkbook(dataFile_));

        log_.OnLog = [this](TZAF_LogFile&, QString& text) {
            QMutexLocker lock(&logMutex_);
            logLines_.append(text);
        };
        service_ = std::make_unique<TDirectoryService>(workbook_, log_, base_, dataFile_);
        service_->SetClock([] { return kNow; });
        server_.SetDefaultPort(0);
        server_.OnCommandGet = [this](TIdContext& c, TIdHTTPRequestInfo& q, TIdHTTPResponseInfo& r) {
            service_->IdHTTPServer1CommandGet(&c, &q, &r);
        };
        server_.SetActive(true);
        port_ = server_.ListeningPort();
        ASSERT_NE(port_, 0);
    }

    void TearDown() override
    {
        server_.SetActive(false);
        setSwitches({});
    }

    void addEntries(const std::vector<Entry>& entries)
    {
        for (const Entry& e : entries) {
            const int row = workbook_.GetRows();
            workbook_.SetRows(row + 1);
            const QString cells[] = {e.name, e.title, e.email, e.phone, e.gsm};
            for (int c = 0; c < 5; ++c) {
                workbook_.SetCellValue(c, row, cells[c]);
            }
        }
        ASSERT_TRUE(workbook_.SaveWorkbook(QString()));
    }

    void addPhoto(const QString& name) { writeFile(base_ + "/photos/" + name + ".jpg", "jpeg bytes"); }

    // The data file as it is on disk.
    QList<StoredRow> storedRows() const
    {
        TZAF_workbook stored;
        EXPECT_TRUE(stored.OpenWorkbook(dataFile_));
        QList<StoredRow> rows;
        for (int r = 0; r < stored.GetRows(); ++r) {
            StoredRow row;
            for (int c = 0; c < 10; ++c) {
                row.append(stored.GetCellAsString(c, r));
            }
            rows.append(row);
        }
        return rows;
    }

    QStringList storedNames() const
    {
        QStringList names;
        for (const StoredRow& row : storedRows()) {
            names.append(row[0]);
        }
        return names;
    }

    QStringList takeLog()
    {
        QMutexLocker lock(&logMutex_);
        return std::exchange(logLines_, {});
    }

    QString page(const QString& body, const QString& searchBoxValue = {}) const
    {
        return BuildPageHeader(searchBoxValue, GetLogoPicture(), kNow) + body + BuildPageFooter();
    }

    ScopedLocaleFormats formats_{kFormats};
    QTemporaryDir root_;
    QString base_;
    QString dataFile_;
    TZAF_workbook workbook_;
    TZAF_LogFile log_;
    QMutex logMutex_;
    QStringList logLines_;
    std::unique_ptr<TDirectoryService> service_;
    TIdHTTPServer server_;
    quint16 port_ = 0;
};

TEST_F(DirectoryServiceTest, DispatchTakesTheFirstStepThatApplies)
{
    addEntries({{"Smith John", "", "", "040 1", ""}});
    addPhoto("Smith John");
    writeFile(root_.filePath("secret.txt"), "secret");
    QFile::link(root_.filePath("secret.txt"), base_ + "/photos/escape.jpg");

    struct Case {
        const char* what;
        Switches switches;
        QByteArray target;
        QByteArray marker;     // a text only the expected page holds
        QStringList log;       // after the client's address
    } const cases[] = {
        {"root lists all", {}, "/", "1 names found", {"> list all"}},
        {"unknown path lists all", {}, "/index", "1 names found", {"> list all"}},
        {"paths compare with case", {}, "/ADD", "1 names found", {"> list all"}},
        {"add form", {}, "/add", "(Last name first)", {"> adding new name"}},
        {"about", {}, "/about", "Corvale<hr>", {"> about"}},
        {"about with capital", {}, "/About", "1 names found", {"> list all"}},
        {"about with slash", {}, "/about/", "1 names found", {"> list all"}},
        {"photo served before fields", {}, "/photos/Smith%20John.jpg?newname=X", "jpeg bytes", {}},
        {"missing photo lists", {}, "/photos/Nobody.jpg", "1 names found", {"> list all"}},
        {"dot-dot never served", {}, "/photos/../../secret.txt", "1 names found", {"> list all"}},
        {"link out never served", {}, "/photos/escape.jpg", "1 names found", {"> list all"}},
        {"empty newname is no add", {}, "/?newname=", "1 names found", {"> list all"}},
        {"newname before delname", {}, "/about?newname=Doe+Jane&delname=Smith+John", "\"Doe Jane\" added",
         {"> new name \"Doe Jane\" added"}},
        {"ask delete", {}, "/?delname=Smith+John", "Are you sure to delete", {"> confirmed delete of \"Smith John\""}},
        {"NoModify skips the question", {false, true}, "/?delname=Smith+John", "names found", {"> list all"}},
        {"NoModify skips modname", {false, true}, "/?modname=Smith+John&title=X", "names found", {"> list all"}},
        {"NoModify still adds", {false, true}, "/?newname=Roe+Max", "\"Roe Max\" added",
         {"> new name \"Roe Max\" added"}},
        {"NoModify still deletes", {false, true}, "/?delname2=Roe+Max", "\"Roe Max\" deleted",
         {"> deleted \"Roe Max\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setSwitches(c.switches);
        const WebTestResponse response = Get(port_, c.target);
        EXPECT_EQ(response.status, 200);
        EXPECT_TRUE(response.body.contains(c.marker)) << response.body.left(3000).toStdString();
        QStringList expectedLog;
        for (const QString& line : c.log) {
            expectedLog.append(kPeer + line);
        }
        EXPECT_EQ(takeLog(), expectedLog);
    }
}

TEST_F(DirectoryServiceTest, AboutPageInTheFrame)
{
    const WebTestResponse response = Get(port_, "/about?searchfor=a%26b");
    EXPECT_EQ(response.text(),
              page(message("Corvale<hr>Copyright &copy; 2008-2026 the Corvale developers<br>Home page: <a "
                            "href=\"https://corvale.example.org/\">https://corvale.example.org/</a><br><br>"),
                   "a&b"));
    EXPECT_TRUE(response.text().contains("name=\"searchfor\" value=\"a&amp;b\""));
}

TEST_F(DirectoryServiceTest, ListRowsWithAndWithoutEmailAndPhoto)
{
    const Entry withAll{"Aho Anna", "Boss", "anna@example.org", "040 1", "050 1"};
    const Entry bare{"Berg Bo", "", "", "", "050 2"};
    addEntries({bare, withAll});
    addPhoto("Aho Anna");

    EXPECT_EQ(Get(port_, "/").text(),
              page(columnHeaderRow("") + listRow(withAll, true) + listRow(bare, false) + message("2 names found")));

    setSwitches({false, true});
    EXPECT_EQ(Get(port_, "/").text(), page(columnHeaderRow("") + listRow(withAll, true, false)
                                           + listRow(bare, false, false) + message("2 names found")));
}

TEST_F(DirectoryServiceTest, SortKeysAndTheDataFileInTheLastSortOrder)
{
    addEntries({{"Cee", "", "a@x", "3", "1"}, {"Aa", "", "c@x", "2", "3"}, {"Bee", "", "b@x", "1", "2"}});
    struct Case {
        QByteArray sortBy;
        QStringList order;
    } const cases[] = {
        {"", {"Aa", "Bee", "Cee"}},     {"phone", {"Bee", "Aa", "Cee"}}, {"gsm", {"Cee", "Bee", "Aa"}},
        {"email", {"Cee", "Bee", "Aa"}}, {"Phone", {"Aa", "Bee", "Cee"}}, {"photo", {"Aa", "Bee", "Cee"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sortBy.toStdString());
        const QString body = PostForm(port_, "/", "sortby=" + c.sortBy).text();
        QList<qsizetype> positions;
        for (const QString& name : c.order) {
            positions.append(body.indexOf("name=\"name\" value=\"" + name + "\""));
        }
        EXPECT_TRUE(positions[0] >= 0 && positions[0] < positions[1] && positions[1] < positions[2]) << body.toStdString();
        EXPECT_EQ(takeLog(), QStringList{kPeer + (c.sortBy.isEmpty() ? "> list all" : "> list sorted by " + c.sortBy)});
    }
    PostForm(port_, "/", "sortby=phone");
    PostForm(port_, "/", "newname=Zed&phone=0");
    EXPECT_EQ(storedNames(), (QStringList{"Bee", "Aa", "Cee", "Zed"}));
}

TEST_F(DirectoryServiceTest, SearchBySubstringAndWildcardsWithNordicFolding)
{
    addEntries({{"Smith John", "", "", "040 555", ""},
                {QString::fromUtf8("Öberg Åsa"), "Chief", "asa@x", "", ""},
                {"Jones Ann", "", "", "", "0400"}});
    struct Case {
        const char* what;
        bool wildcards;
        QByteArray searchFor;
        QString logged;  // folded
        int found;
    } const cases[] = {
        {"substring of a folded name", false, "MIT", "mit", 1},
        {"Nordic capital folds", false, "%D6BERG", QString::fromUtf8("öberg"), 1},
        {"numbers by substring", false, "040", "040", 2},
        {"entities decoded", false, "%26%2377%3Bit", "mit", 1},
        {"whole-cell pattern", true, "smith*", "smith*", 1},
        {"no pattern match without star", true, "smith", "smith", 0},
        {"numbers stay substrings", true, "040", "040", 2},
        {"star shows all", true, "*", "*", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setSwitches({false, false, c.wildcards});
        const QString body = PostForm(port_, "/", "searchfor=" + c.searchFor).text();
        EXPECT_TRUE(body.contains(QString::number(c.found) + " names found")) << body.toStdString();
        EXPECT_EQ(takeLog(), QStringList{kPeer + "> list \"" + c.logged + "\""});
    }
}

TEST_F(DirectoryServiceTest, AddStoresEveryColumnAndRefusesAnExistingName)
{
    const WebTestResponse added =
        PostForm(port_, "/", "newname=Smith+John&title=%26%2349%3B23&email=&phone=%26%2349%3B23&gsm=050");
    EXPECT_EQ(added.text(), page(message("Name \"Smith John\" added succesfully.")
                                 + "<input type=hidden name=\"searchfor\" value=\"Smith John\">" + kContinueRow));
    EXPECT_EQ(takeLog(), QStringList{kPeer + "> new name \"Smith John\" added"});
    EXPECT_EQ(storedRows(), (QList<StoredRow>{{"Smith John", "123", "", "&#49;23", "050", "0", "", "", "0", ""}}));

    const WebTestResponse exists = PostForm(port_, "/", "newname=smith+john");
    EXPECT_EQ(exists.text(),
              page(message("Name \"smith john\" already exists.")
                   + "<tr><form action=\"/add\"><td colspan=7><input type=submit value=\"Back\"></td></form></tr>"
                     "<tr><form action=\"/\"><td colspan=7><input type=submit value=\"Cancel\"><br><br></td></form></tr>"));
    EXPECT_EQ(takeLog(), QStringList{});
    EXPECT_EQ(storedRows().size(), 1);
}

TEST_F(DirectoryServiceTest, AddFormBytes)
{
    const QString row = "<tr><td><font face=\"verdana\" size=2 color=#000000>%1</td><td colspan=5><input type=edit "
                        "name=\"%2\" size=%3>%4</td></tr>";
    EXPECT_EQ(Get(port_, "/add").text(),
              page("<form action=\"/\" method=post>" + row.arg("Name", "newname", "30", " (Last name first)")
                   + row.arg("Title", "title", "30", "") + row.arg("eMail", "email", "50", "")
                   + row.arg("Phone", "phone", "20", "") + row.arg("Gsm", "gsm", "20", "")
                   + "<tr><td></td><td colspan=6><input type=submit value=\"Add\"></td></tr></form>"));
}

TEST_F(DirectoryServiceTest, DeleteAsksThenDeletesAndKeepsThePhoto)
{
    addEntries({{"Smith John", "", "", "", ""}, {"Doe Jane", "", "", "", ""}});
    addPhoto("Smith John");

    EXPECT_EQ(Get(port_, "/?delname=SMITH+JOHN").text(),
              page(message("Are you sure to delete \"SMITH JOHN\"?")
                   + "<tr><form action=\"/\"><td colspan=7><input type=hidden name=\"delname2\" value=\"SMITH JOHN\">"
                     "<input type=submit value=\"Confirm\"><br><br></td></form></tr>"));
    EXPECT_EQ(takeLog(), QStringList{kPeer + "> confirmed delete of \"SMITH JOHN\""});
    EXPECT_EQ(storedRows().size(), 2);

    EXPECT_EQ(Get(port_, "/?delname2=SMITH+JOHN").text(),
              page(message("Name \"SMITH JOHN\" deleted succesfully.") + kContinueRow));
    EXPECT_EQ(takeLog(), QStringList{kPeer + "> deleted \"SMITH JOHN\""});
    EXPECT_EQ(storedNames(), QStringList{"Doe Jane"});
    EXPECT_TRUE(QFile::exists(base_ + "/photos/Smith John.jpg"));

    for (const QByteArray field : {"delname", "delname2"}) {
        EXPECT_EQ(Get(port_, "/?" + field + "=Nobody").text(), page(message("Name \"Nobody\" was not found.") + kContinueRow));
        EXPECT_EQ(takeLog(), QStringList{kPeer + "> failed to delete \"Nobody\""});
    }
}

QString modifyForm(const QString& n, const Entry& e, const QString& notes, const QString& searchFor, bool photo,
                   bool modifyButton, bool uploadForm)
{
    const QString label = "<tr><td><font face=\"verdana\" size=2 color=#000000>%1</td><td colspan=5>";
    QString body = "<form action=\"/\" method=post>" + label.arg("Name") + "<input type=hidden name=\"modname\" value=\""
        + n + "\" size=30>\"<b>" + n + "</b>\"</td></tr>";
    body += label.arg("Title") + "<input type=edit name=\"title\" value=\"" + e.title + "\" size=30></td></tr>";
    body += label.arg("eMail") + "<input type=edit name=\"email\" value=\"" + e.email + "\" size=50></td></tr>";
    body += label.arg("Phone") + "<input type=edit name=\"phone\" value=\"" + e.phone + "\" size=20></td></tr>";
    body += label.arg("Gsm") + "<input type=edit name=\"gsm\" value=\"" + e.gsm + "\" size=20></td></tr>";
    body += "<tr valign=top><td><font face=\"verdana\" size=2 color=#000000>Notes</td><td colspan=5><textarea "
            "name=\"notes\" rows=5 cols=50>" + notes + "</textarea></td></tr>";
    body += "<input type=hidden name=\"searchfor\" value=\"" + searchFor + "\">";
    if (modifyButton) {
        body += "<tr><td></td><td colspan=6><input type=submit value=\"Modify\"><br><br></td></tr>";
    }
    body += "</form>" + label.arg("Photo")
        + (photo ? "<img src=\"/photos/" + n + ".jpg\">" : "<font face=\"verdana\" size=2 color=#000000>No Photo Available")
        + "</td></tr>";
    if (uploadForm) {
        body += "<tr><form method=post action=\"" + n + "?searchfor=" + n + "\" enctype=\"multipart/form-data\"><td></td>"
                "<td colspan=6><input type=file size=70 name=file><br><input type=submit value=\"Send file\"><br><br>"
                "</td></form></tr>";
    }
    return body;
}

TEST_F(DirectoryServiceTest, ModifyFormFollowsTheSwitchesOfTheMoment)
{
    const Entry smith{"Smith John", "Engineer", "js@x", "040", "050"};
    addEntries({smith});
    workbook_.SetCellValue(7, 0, QString("line one"));
    addPhoto("Smith John");

    struct Case {
        Switches switches;
        bool modifyButton;
        bool uploadForm;
    } const cases[] = {{{}, true, true}, {{false, true}, false, true}, {{true, false}, true, false}};
    for (const Case& c : cases) {
        setSwitches(c.switches);
        EXPECT_EQ(PostForm(port_, "/mod", "name=Smith+John&searchfor=mit").text(),
                  page(modifyForm("Smith John", smith, "line one", "mit", true, c.modifyButton, c.uploadForm), "mit"));
        EXPECT_EQ(takeLog(), QStringList{kPeer + "> modifying \"Smith John\""});
    }

    setSwitches({});
    QFile::remove(base_ + "/photos/Smith John.jpg");
    EXPECT_EQ(Get(port_, "/mod?name=smith+john").text(),
              page(modifyForm("smith john", smith, "line one", "", false, true, true)));
    takeLog();

    EXPECT_EQ(Get(port_, "/mod?name=Nobody").text(),
              page(message("Failed to locate name \"Nobody\".") + kContinueRow));
    EXPECT_EQ(takeLog(), (QStringList{kPeer + "> modifying \"Nobody\"", kPeer + "> failed to edit \"Nobody\""}));
}

TEST_F(DirectoryServiceTest, ModificationRewritesTheRowButKeepsColumnsFiveAndEight)
{
    PostForm(port_, "/", "newname=Smith+John&title=Old&password=secret");
    takeLog();
    const WebTestResponse modified =
        PostForm(port_, "/", "modname=SMITH+JOHN&title=New&email=e%40x&phone=1&gsm=2&notes=hi");
    EXPECT_EQ(modified.text(),
              page(message("Name \"SMITH JOHN\" modified succesfully.")
                   + "<tr><form action=\"/\"><input type=hidden name=\"searchfor\" value=\"SMITH JOHN\"><td colspan=7>"
                     "<input type=submit value=\"Continue\"><br><br></td></form></tr>"));
    EXPECT_EQ(takeLog(), QStringList{kPeer + "> modified \"SMITH JOHN\""});
    EXPECT_EQ(storedRows(), (QList<StoredRow>{{"SMITH JOHN", "New", "e@x", "1", "2", "0", "", "hi", "0", ""}}));

    EXPECT_EQ(PostForm(port_, "/", "modname=Nobody").text(),
              page(message("Name \"Nobody\" was not found for modify.") + kContinueRow));
    EXPECT_EQ(takeLog(), QStringList{kPeer + "> failed to modify \"Nobody\""});
}

TEST_F(DirectoryServiceTest, NameWithQuoteAndMarkupRoundTrips)
{
    const QString name = "Smith \"<b>\" John";
    const QString escaped = "Smith &quot;&lt;b&gt;&quot; John";
    const QByteArray form = FormValue(name);

    EXPECT_TRUE(PostForm(port_, "/", "newname=" + form).text().contains("Name \"" + escaped + "\" added"));
    EXPECT_EQ(storedNames(), QStringList{name});

    const QString list = Get(port_, "/").text();
    EXPECT_TRUE(list.contains("<input type=hidden name=\"name\" value=\"" + escaped + "\">")) << list.toStdString();
    EXPECT_FALSE(list.contains("<b>\""));

    const QString form2 = PostForm(port_, "/mod", "name=" + form).text();
    EXPECT_TRUE(form2.contains("name=\"modname\" value=\"" + escaped + "\" size=30>\"<b>" + escaped + "</b>\""));
    PostForm(port_, "/", "modname=" + form + "&title=T");
    EXPECT_EQ(storedRows().value(0).value(1), QString("T"));

    EXPECT_TRUE(Get(port_, "/?delname=" + form).text().contains("name=\"delname2\" value=\"" + escaped + "\""));
    Get(port_, "/?delname2=" + form);
    EXPECT_EQ(storedNames(), QStringList{});
}

TEST_F(DirectoryServiceTest, ChangesFromAnotherSiteAreRefused)
{
    addEntries({{"Smith John", "", "", "", ""}});
    const QByteArray own = "http://127.0.0.1:" + QByteArray::number(port_);
    struct Case {
        const char* what;
        QByteArray target;
        QList<QByteArray> headers;
        bool refused;
        QString foreign;
    } const cases[] = {
        {"hidden image deleting", "/?delname2=Smith+John", {"Referer: http://evil.example/page.html"}, true,
         "http://evil.example"},
        {"foreign add", "/?newname=X", {"Origin: http://evil.example:8080"}, true, "http://evil.example:8080"},
        {"foreign modify", "/?modname=Smith+John&title=X", {"Origin: http://127.0.0.1:1"}, true,
         "http://127.0.0.1:1"},
        {"foreign question is harmless", "/?delname=Smith+John", {"Origin: http://evil.example"}, false, ""},
        {"own referer", "/?modname=Smith+John&title=Y", {"Referer: " + own + "/mod"}, false, ""},
        {"no header", "/?modname=Smith+John&title=Z", {}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QList<StoredRow> before = storedRows();
        const WebTestResponse response = Get(port_, c.target, c.headers);
        const QStringList log = takeLog();
        if (c.refused) {
            EXPECT_EQ(response.status, 403);
            EXPECT_EQ(response.text(),
                      page(message("The change was refused because the request came from another site.") + kContinueRow));
            EXPECT_EQ(log, QStringList{kPeer + "> refused change from other site \"" + c.foreign + "\""});
            EXPECT_EQ(storedRows(), before);
        } else {
            EXPECT_EQ(response.status, 200);
            EXPECT_EQ(log.size(), 1);
        }
    }
    EXPECT_EQ(storedRows().value(0).value(1), QString("Z"));

    // An upload from another site is refused before its body is looked at.
    const QByteArray multipart = "POST /Smith%20John?searchfor=Smith+John HTTP/1.1\r\nHost: 127.0.0.1:"
        + QByteArray::number(port_)
        + "\r\nOrigin: http://evil.example\r\nContent-Type: multipart/form-data; boundary=xx\r\n"
          "Content-Length: 4\r\n\r\n--xx";
    EXPECT_EQ(SendRawRequest(port_, multipart).status, 403);
    EXPECT_EQ(takeLog(), QStringList{kPeer + "> refused change from other site \"http://evil.example\""});
    setSwitches({true});
    EXPECT_EQ(SendRawRequest(port_, multipart).status, 200);  // NoUpload: an ordinary list page
}

TEST_F(DirectoryServiceTest, ConcurrentAddsAreAllStoredOnce)
{
    constexpr int kClients = 8;
    constexpr int kAddsPerClient = 12;
    std::vector<std::unique_ptr<QThread>> clients;
    for (int client = 0; client < kClients; ++client) {
        clients.emplace_back(QThread::create([this, client] {
            for (int i = 0; i < kAddsPerClient; ++i) {
                PostForm(port_, "/", "newname=Person+" + QByteArray::number(client) + "-" + QByteArray::number(i));
                if (i % 4 == 0) {
                    Get(port_, "/?sortby=phone");  // sorts in place while others add
                }
            }
        }));
        clients.back()->start();
    }
    for (auto& client : clients) {
        client->wait();
    }
    const QStringList names = storedNames();
    EXPECT_EQ(names.size(), kClients * kAddsPerClient);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), kClients * kAddsPerClient);
}

TEST_F(DirectoryServiceTest, FailedSaveIsReportedNotClaimedAsSuccess)
{
    // A folder where the data file should be: no save can replace it.
    QFile::remove(dataFile_);
    QDir().mkpath(dataFile_);
    const WebTestResponse response = PostForm(port_, "/", "newname=Smith+John");
    EXPECT_EQ(response.status, 500);
    EXPECT_EQ(response.text(), page(message("The change was made but could not be saved to the data file.") + kContinueRow));
    EXPECT_EQ(takeLog(), (QStringList{kPeer + "> new name \"Smith John\" added",
                                      kPeer + "> failed to save \"" + dataFile_ + "\""}));
}

}  // namespace
