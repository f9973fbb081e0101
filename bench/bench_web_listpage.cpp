// List page build time: header, body and footer for 1,000 and 10,000 entries, a tenth of
// them with photos, for all entries, a search for "mit" and a sort by phone.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "DirectoryFixture.h"
#include "util/Settings.h"
#include "web/DirectoryList.h"
#include "web/PageFrame.h"
#include "workbook/Workbook.h"

namespace {

struct Scenario {
    const char* name;
    QString searchFor;
    QString sortBy;
};

double medianMs(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

qsizetype buildPage(TZAF_workbook& workbook, const QString& base, const Scenario& scenario)
{
    // As the request handler builds it: one string, grown once.
    QString page = BuildPageHeader(scenario.searchFor, GetLogoPicture(), QDateTime::currentDateTime());
    AppendDirectoryList(page, workbook, base, scenario.searchFor, scenario.sortBy, [](const QString&) {});
    page += BuildPageFooter();
    return page.size();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Scenario scenarios[] = {{"all", "", ""}, {"search \"mit\"", "mit", ""}, {"sort by phone", "", "phone"}};
    std::printf("%-8s %-16s %12s %12s %10s\n", "entries", "page", "median ms", "first ms", "KB");
    for (int entries : {1000, 10000}) {
        QTemporaryDir dir;
        TZAF_workbook workbook;
        FillBenchDirectory(workbook, dir.path(), entries);
        const int rounds = entries >= 10000 ? 30 : 200;
        for (const Scenario& scenario : scenarios) {
            // The first page re-sorts what the previous scenario left; later ones find it sorted.
            QElapsedTimer first;
            first.start();
            qsizetype size = buildPage(workbook, dir.path(), scenario);
            const double firstMs = first.nsecsElapsed() / 1e6;
            std::vector<double> samples;
            for (int i = 0; i < rounds; ++i) {
                QElapsedTimer timer;
                timer.start();
                size = buildPage(workbook, dir.path(), scenario);
                samples.push_back(timer.nsecsElapsed() / 1e6);
            }
            std::printf("%-8d %-16s %12.3f %12.3f %10lld\n", entries, scenario.name, medianMs(samples), firstMs,
                        static_cast<long long>(size / 1024));
        }
    }
    return 0;
}
