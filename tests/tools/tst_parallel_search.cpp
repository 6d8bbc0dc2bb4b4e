// The search of many bodies on worker threads finds what a search of each in turn finds,
// whatever the number of threads, and stops cleanly when the reading stops early.
#include "parallel_search.h"

#include <QtTest>

#include <string>
#include <vector>

using namespace quill;
using namespace quill::tool;

namespace {

struct Body {
    double date;
    std::string rtf;
};

// Days whose bodies alternate between texts with and without the word, split across
// groups and escapes, with now and then a body large enough to fill batches on its own.
std::vector<Body> Bodies()
{
    std::vector<Body> bodies;
    for (int day = 0; day < 400; ++day) {
        std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard ";
        if (day % 7 == 3)
            rtf += std::string(300'000, 'x') + "\\par ";
        switch (day % 5) {
        case 0: rtf += "a wint{\\b er} li\\'67ht fell"; break;
        case 1: rtf += "WINTER LIGHT"; break;
        case 2: rtf += "winter, light"; break;
        default: rtf += "summer"; break;
        }
        rtf += "\\par}";
        bodies.push_back({45000.0 + day, std::move(rtf)});
    }
    return bodies;
}

} // namespace

class ParallelSearchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsWhatOneByOneFinds_data()
    {
        QTest::addColumn<unsigned>("threads");
        QTest::newRow("in the caller's thread") << 1u;
        QTest::newRow("two workers") << 2u;
        QTest::newRow("five workers") << 5u;
    }
    void findsWhatOneByOneFinds()
    {
        QFETCH(unsigned, threads);
        const BodySearch search(QStringLiteral("winter light"));
        std::vector<double> expected;
        const std::vector<Body> bodies = Bodies();
        for (const Body& body : bodies)
            if (search.Matches(body.rtf))
                expected.push_back(body.date);
        QCOMPARE(expected.size(), std::size_t(160)); // two days in five

        ParallelBodySearch searching(search, threads);
        for (auto it = bodies.rbegin(); it != bodies.rend(); ++it) // the answer comes in date order anyway
            searching.Add(it->date, it->rtf);
        QCOMPARE(searching.Finish(), expected);
    }

    // A reading that fails part of the way leaves without Finish: the workers stop.
    void stopsWhenLeftEarly()
    {
        const BodySearch search(QStringLiteral("light"));
        const std::vector<Body> bodies = Bodies();
        ParallelBodySearch searching(search, 2);
        for (std::size_t i = 0; i < bodies.size() / 2; ++i)
            searching.Add(bodies[i].date, bodies[i].rtf);
    }
};

QTEST_GUILESS_MAIN(ParallelSearchTest)
#include "tst_parallel_search.moc"
