// quillmere-genjournal: writes large test journals for the benchmarks.
#include "journal_generator.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    using namespace quill;
    bench::JournalShape shape;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    shape.lastDay = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday}; // today, unless --end says otherwise
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--days" && hasValue)
            shape.days = std::stoi(argv[++i]);
        else if (arg == "--picture-every" && hasValue)
            shape.pictureEvery = std::stoi(argv[++i]);
        else if (arg == "--seed" && hasValue)
            shape.seed = std::stoull(argv[++i]);
        else if (arg == "--end" && hasValue && ParseIsoDate(argv[i + 1], shape.lastDay))
            ++i;
        else if (out.empty() && arg[0] != '-')
            out = arg;
        else
            out.clear(), i = argc;
    }
    if (out.empty() || shape.days <= 0) {
        std::fprintf(stderr, "Usage: quillmere-genjournal OUT.cds [--days N] [--picture-every K] [--seed S] [--end YYYY-MM-DD]\n");
        return 2;
    }
    try {
        bench::GenerateJournal(out, shape);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
