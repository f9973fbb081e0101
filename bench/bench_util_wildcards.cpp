// Prints the time of one wildcard match for patterns whose naive backtracking would explode.
#include <chrono>
#include <cstdio>

#include <QString>

#include "util/TextUtils.h"

namespace {

struct Workload {
    const char* name;
    QString pattern;
    QString text;
};

void run(const Workload& workload)
{
    constexpr int kRepetitions = 2000;
    bool matched = false;
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < kRepetitions; ++k) {
        matched = MatchWildcards(workload.pattern, workload.text, true) != matched;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const double micros = std::chrono::duration<double, std::micro>(elapsed).count() / kRepetitions;
    std::printf("%-40s %10.2f us per match\n", workload.name, micros);
}

}  // namespace

int main()
{
    const Workload workloads[] = {
        {"*a*a*a*a*a*a*a*b vs 200 a", QStringLiteral("*a*a*a*a*a*a*a*b"), QString(200, u'a')},
        {"*a*a*a*a*a*a*a*b vs 2000 a", QStringLiteral("*a*a*a*a*a*a*a*b"), QString(2000, u'a')},
        {"smith* vs name", QStringLiteral("smith*"), QStringLiteral("Smith John")},
        {"*john vs name", QStringLiteral("*john"), QStringLiteral("Smith John")},
        {"stars both sides, 100 chars each", QString(50, u'*') + QString(50, u'a'), QString(50, u'a') + QString(50, u'*')},
    };
    for (const Workload& workload : workloads) {
        run(workload);
    }
    return 0;
}
