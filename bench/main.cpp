#include "BenchRegistry.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>

std::vector<BenchFigure> &benchFigures()
{
    static std::vector<BenchFigure> figures;
    return figures;
}

int main(int argc, char *argv[])
{
    // Headless by default: the figures drive real windows, nobody looks at them.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    auto &figures = benchFigures();
    std::sort(figures.begin(), figures.end(),
              [](const BenchFigure &a, const BenchFigure &b) { return a.name < b.name; });
    std::vector<std::string> wanted(argv + 1, argv + argc);
    if (wanted.size() == 1 && (wanted[0] == "--list" || wanted[0] == "-l")) {
        for (const auto &f : figures)
            std::printf("%-22s %s\n", f.name.c_str(), f.description.c_str());
        return 0;
    }
    int failures = 0;
    for (const auto &f : figures) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), f.name) == wanted.end())
            continue;
        std::printf("== %s: %s\n", f.name.c_str(), f.description.c_str());
        std::fflush(stdout);
        failures += f.run() != 0;
    }
    return failures == 0 ? 0 : 1;
}
