#pragma once

#include <functional>
#include <string>
#include <vector>

// Each benchmark file registers one figure; main runs them in name order,
// or only those named on the command line.
struct BenchFigure
{
    std::string name;
    std::string description;
    std::function<int()> run; // prints its own lines; returns 0 on success
};

std::vector<BenchFigure> &benchFigures();

struct BenchRegistrar
{
    BenchRegistrar(std::string name, std::string description, std::function<int()> run)
    {
        benchFigures().push_back({std::move(name), std::move(description), std::move(run)});
    }
};
